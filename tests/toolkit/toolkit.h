// Test toolkit: CUPS raster streams and PPD files made to order, and the built
// filter run the way the CUPS scheduler runs it (arguments, PPD in the
// environment, raster on standard input or in a file).
#pragma once

#include <cups/raster.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace kvtest {

// A scratch directory, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct RasterPage {
    cups_cspace_t space = CUPS_CSPACE_W;
    uint32_t width = 0;         // cupsWidth (pixels)
    uint32_t height = 0;        // cupsHeight (rows)
    uint32_t bytesPerLine = 0;  // 0: width x bytes per pixel
    uint32_t resolution = 203;  // HWResolution, both axes
    uint32_t numCopies = 1;
    uint32_t bitsPerColor = 8;  // cupsBitsPerColor (cupsBitsPerPixel follows from the space)
    std::vector<uint8_t> data;  // height x bytesPerLine bytes (shorter: the rest is white)
    bool headerOnly = false;    // write the header and no rows (a stream cut short)
    // Changes the header as stored in the stream, after the page was written
    // from the unchanged one: any field, even a value libcups won't write.
    std::function<void(cups_page_header2_t&)> patchHeader;
};

// Bytes per pixel at 8 bits a colour: 3 for RGB and sRGB, 4 for RGBA, CMYK and
// KCMY, 1 for the rest.
uint32_t colorsOf(cups_cspace_t space);
// The header the raster writer writes for the page.
cups_page_header2_t headerFor(const RasterPage& page);

// A grey page of one value; rows width bytes long.
RasterPage grayPage(uint32_t width, uint32_t height, uint8_t value = 255);

// The bytes of a CUPS raster stream holding the pages, written by libcups.
std::string rasterStream(const std::vector<RasterPage>& pages, bool compressed = true);

struct Ppd {
    std::string nickName = "Test Printer";
    std::vector<std::pair<std::string, std::string>> defaults;                  // {"DefaultDarkness", "8"}
    std::vector<std::tuple<std::string, std::string, std::string>> attributes;  // {"KVAttr", "PrinterModel", "TSPL"}
    std::string extra;                                                          // raw lines appended to the file
};
// Writes a minimal valid PPD with the given keywords and returns its path.
std::string writePpd(const std::string& directory, const Ppd& ppd);

struct FilterRun {
    int status = -1;  // exit status, or -1 when the filter died by a signal
    int signal = 0;
    std::string out;           // standard output
    std::string err;           // standard error
    std::string logDir;        // where the diagnostic log and dump went
    std::string log() const;   // contents of LxxLog.log ("" when absent)
    std::string dump() const;  // contents of LxxSendData.bin ("" when absent)
};

// Where the filter's standard output goes.
enum class Output { Pipe, Closed, Full };

// SIGTERM sent while the job runs: once `inputBytes` of the input have been
// written, standard output holds `outputBytes` bytes and standard error
// contains `errorText`; then the rest of the input follows.
struct Cancel {
    size_t inputBytes = 0;
    size_t outputBytes = 0;
    std::string errorText;
};

struct FilterJob {
    std::vector<std::string> args = {"1", "user", "title", "1", ""};  // argv[1..5] (and 6)
    std::string options;                                              // argv[5] when args has the default five entries
    std::string ppdPath;                                              // "" leaves PPD unset
    std::string input;                                                // bytes on standard input
    std::string inputFile;                                            // when set, passed as argv[6] instead
    Output output = Output::Pipe;                                     // Closed: no descriptor 1; Full: /dev/full
    std::optional<Cancel> cancel;
};
// Runs the built filter (its log and dump go to a fresh directory of logDir).
FilterRun runFilter(const FilterJob& job, const std::string& logDir);

// Hex dump ("1B 40 ...") of bytes, for readable assertion messages.
std::string hex(const std::string& bytes);
std::string readFile(const std::string& path);

}  // namespace kvtest
