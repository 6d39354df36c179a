// The bad-input table: each class of input a careless user or an attacker can
// hand the filter (truncated rasters, absurd headers, every sync word, every
// bits-per-pixel and colour space, missing or broken PPDs, odd option values,
// argument counts, standard output closed or full, a missing or planted log
// folder, SIGTERM mid-job), each case with its defined outcome, run through the
// real filter. The sanitizer build runs the same table under AddressSanitizer
// and UndefinedBehaviorSanitizer. docs/bad-input.md lists the classes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/toolkit/toolkit.h"

using kvtest::FilterJob;
using kvtest::FilterRun;
using kvtest::RasterPage;

namespace {

namespace fs = std::filesystem;

const std::string kInit = "\x1B\x40";  // ESC/POS job start and job end (no options)
const std::string kUsage = "ERROR: rastertokvlabel job-id user title copies options [file]\n";
const std::string kTooLarge = "PAGE: 1 1\nERROR: Page is larger than the printer's largest media\n";

// What standard output must hold.
enum class Out {
    Empty,
    Framed,        // the ESC/POS job start first and the job end last
    JobFrameOnly,  // the job start and end and nothing between: no page printed
    Same,          // the same bytes as the case's reference job
    Any,
};

struct Expect {
    int status = 0;
    std::string err;
    Out out = Out::Framed;
};

struct Case {
    std::string name;
    FilterJob job;
    Expect expect;
    std::string logDir;                               // "" for a fresh folder
    std::function<void(const FilterRun&)> also = {};  // further checks
};

class BadInput : public ::testing::Test {
protected:
    std::string ppd(const kvtest::Ppd& p, const std::string& name = "test.ppd") {
        const std::string sub = dir.file(name + ".d");
        fs::create_directories(sub);
        return kvtest::writePpd(sub, p);
    }
    std::string escPpd() { return ppd({.attributes = {{"KVAttr", "PrinterModel", "ESC"}}}, "esc"); }

    // Runs every case; `reference` is the output Out::Same compares with.
    void expectAll(const std::vector<Case>& cases, const std::string& reference = "") {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            std::string logDir = c.logDir;
            if (logDir.empty()) {
                logDir = dir.file("log-" + std::to_string(++runs));
                fs::create_directories(logDir);
            }
            const FilterRun r = kvtest::runFilter(c.job, logDir);
            EXPECT_EQ(r.signal, 0);
            EXPECT_EQ(r.status, c.expect.status);
            EXPECT_EQ(r.err, c.expect.err);
            expectOutput(r.out, c.expect.out, reference);
            if (c.also) c.also(r);
        }
    }

    static void expectOutput(const std::string& out, Out want, const std::string& reference) {
        switch (want) {
            case Out::Empty: EXPECT_EQ(kvtest::hex(out), ""); break;
            case Out::Framed:
                ASSERT_GE(out.size(), 4u);
                EXPECT_EQ(out.substr(0, 2), kInit);
                EXPECT_EQ(out.substr(out.size() - 2), kInit);
                break;
            case Out::JobFrameOnly: EXPECT_EQ(kvtest::hex(out), kvtest::hex(kInit + kInit)); break;
            case Out::Same: EXPECT_EQ(kvtest::hex(out), kvtest::hex(reference)); break;
            case Out::Any: break;
        }
    }

    FilterJob esc(const std::string& input, const std::string& options = "") {
        return {.options = options, .ppdPath = escPpd(), .input = input};
    }

    kvtest::TempDir dir;
    int runs = 0;
};

// A page whose rows differ, so any misplaced or lost row shows.
RasterPage rowsPage(uint32_t width, uint32_t height) {
    RasterPage page = kvtest::grayPage(width, height, 255);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) page.data[y * width + x] = static_cast<uint8_t>((y * 40 + x * 9) % 256);
    }
    return page;
}

TEST_F(BadInput, TruncatedRasters) {
    const std::string raw = kvtest::rasterStream({rowsPage(16, 40)}, false);
    const std::string packed = kvtest::rasterStream({rowsPage(16, 40)}, true);
    const std::string two = kvtest::rasterStream({rowsPage(16, 40), rowsPage(16, 40)}, true);
    const std::string page = "PAGE: 1 1\n";
    expectAll({
        {"empty input", esc(""), {0, "", Out::JobFrameOnly}},
        {"sync word only", esc(raw.substr(0, 4)), {0, "", Out::JobFrameOnly}},
        {"cut inside the header", esc(raw.substr(0, 900)), {0, "", Out::JobFrameOnly}},
        // The rows that are there print; the missing ones are white.
        {"cut after the header", esc(raw.substr(0, 1800)), {0, page}},
        {"cut inside a row", esc(raw.substr(0, 1800 + 16 * 20 + 5)), {0, page}},
        {"cut inside the compressed rows", esc(packed.substr(0, packed.size() - 7)), {0, page}},
        {"cut inside the second page", esc(two.substr(0, two.size() - 9)), {0, "PAGE: 1 1\nPAGE: 2 1\n"}},
        {"not a raster stream", esc("%!PS-Adobe-3.0\nshowpage\n"), {0, "", Out::JobFrameOnly}},
    });
}

TEST_F(BadInput, AbsurdHeaders) {
    const auto patched = [](std::function<void(cups_page_header2_t&)> patch, uint32_t width = 8, uint32_t height = 4) {
        RasterPage page = kvtest::grayPage(width, height, 0);
        page.patchHeader = std::move(patch);
        return kvtest::rasterStream({page});
    };
    const auto headerOnly = [](uint32_t width, uint32_t height) {
        return kvtest::rasterStream({RasterPage{.width = width, .height = height, .headerOnly = true}});
    };
    const std::string page = "PAGE: 1 1\n";
    expectAll({
        // A page of no rows or no bytes ends the job there.
        {"height 0", esc(headerOnly(8, 0)), {0, "", Out::JobFrameOnly}},
        {"bytes per line 0", esc(patched([](auto& h) { h.cupsBytesPerLine = 0; })), {0, "", Out::JobFrameOnly}},
        // Larger than any media: refused before anything is allocated.
        {"height 2^32 - 1", esc(headerOnly(8, 0xFFFFFFFFu)), {1, kTooLarge, Out::JobFrameOnly}},
        {"width 2^32 / 8", esc(headerOnly(1u << 29, 1)), {1, kTooLarge, Out::JobFrameOnly}},
        {"8 x 2^27 - 1, header only", esc(headerOnly(8, (1u << 27) - 1)), {1, kTooLarge, Out::JobFrameOnly}},
        // Fields the filter only reports or ignores.
        {"copies 2^32 - 1", esc(patched([](auto& h) { h.NumCopies = 0xFFFFFFFFu; })), {0, "PAGE: 1 -1\n"}},
        {"resolution 0", esc(patched([](auto& h) { h.HWResolution[0] = h.HWResolution[1] = 0; })), {0, page}},
        {"resolution 2^32 - 1",
         esc(patched([](auto& h) { h.HWResolution[0] = h.HWResolution[1] = 0xFFFFFFFFu; })),
         {0, page}},
        {"cupsWidth 0", esc(patched([](auto& h) { h.cupsWidth = 0; })), {0, page}},
        {"colour space 2^32 - 1",
         esc(patched([](auto& h) { std::memset(&h.cupsColorSpace, 0xFF, sizeof h.cupsColorSpace); })),
         {0, page}},
        // RGB described as 8 bits a pixel: 25 bytes a row, read as 8 RGB pixels
        // and a byte more than the 24 of the padded row.
        {"bytes per line no multiple of the pixel",
         esc(patched([](auto& h) { h.cupsColorSpace = CUPS_CSPACE_RGB; }, 25, 2)),
         {0, page}},
        {"bytes per line beyond the width", esc(patched([](auto& h) { h.cupsBytesPerLine = 9; })), {0, page}},
        // libcups itself refuses rows that aren't whole pixels of cupsBitsPerPixel.
        {"rows of part pixels",
         esc(patched(
             [](auto& h) {
                 h.cupsColorSpace = CUPS_CSPACE_RGB;
                 h.cupsBitsPerPixel = 24;
             },
             25, 2)),
         {0, "", Out::JobFrameOnly}},
    });
}

// The pixel rows of a page as libcups writes them, and its header, for streams
// with any sync word: version 1 has the short header of 420 bytes and raw rows,
// version 2 compressed rows, version 3 raw rows; the reversed sync word marks
// a stream of the other byte order, whose header words are swapped.
struct StreamParts {
    std::string header;
    std::string raw;
    std::string packed;
};

StreamParts partsOf(const RasterPage& page) {
    const std::string raw = kvtest::rasterStream({page}, false);
    const std::string packed = kvtest::rasterStream({page}, true);
    constexpr size_t kHeader = sizeof(cups_page_header2_t);
    return {raw.substr(4, kHeader), raw.substr(4 + kHeader), packed.substr(4 + kHeader)};
}

std::string swappedWords(std::string header) {
    // The 32-bit fields after the four 64-byte strings.
    for (size_t at = 256; at + 4 <= 256 + 4 * 81; at += 4) {
        std::swap(header[at], header[at + 3]);
        std::swap(header[at + 1], header[at + 2]);
    }
    return header;
}

// The page written by libcups in the PWG or the Apple raster form.
std::string writtenAs(cups_mode_t mode, const RasterPage& page, const kvtest::TempDir& dir) {
    const std::string path = dir.file("written.ras");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    cups_raster_t* ras = cupsRasterOpen(fd, mode);
    cups_page_header2_t h = kvtest::headerFor(page);
    h.cupsColorSpace = CUPS_CSPACE_SW;
    std::strcpy(h.MediaType, "stationery");
    cupsRasterWriteHeader2(ras, &h);
    for (uint32_t y = 0; y < page.height; ++y) {
        cupsRasterWritePixels(ras, const_cast<uint8_t*>(page.data.data()) + y * page.width, page.width);
    }
    cupsRasterClose(ras);
    close(fd);
    return kvtest::readFile(path);
}

TEST_F(BadInput, EverySyncWord) {
    const RasterPage page = rowsPage(16, 12);
    const StreamParts p = partsOf(page);
    const std::string swapped = swappedWords(p.header);
    const std::string reference = kvtest::runFilter(esc(kvtest::rasterStream({page})), dir.path()).out;
    const Expect same{0, "PAGE: 1 1\n", Out::Same};
    expectAll(
        {
            {"tSaR: version 1, this byte order", esc("tSaR" + p.header.substr(0, 420) + p.raw), same},
            {"RaSt: version 1, swapped", esc("RaSt" + swapped.substr(0, 420) + p.raw), same},
            {"2SaR: version 2, this byte order", esc("2SaR" + p.header + p.packed), same},
            {"RaS2: version 2, swapped", esc("RaS2" + swapped + p.packed), same},
            {"3SaR: version 3, this byte order", esc("3SaR" + p.header + p.raw), same},
            {"RaS3: version 3, swapped", esc("RaS3" + swapped + p.raw), same},
            {"PWG raster", esc(writtenAs(CUPS_RASTER_WRITE_PWG, page, dir)), same},
            // Apple raster pages carry no copy count.
            {"Apple raster", esc(writtenAs(CUPS_RASTER_WRITE_APPLE, page, dir)), {0, "PAGE: 1 0\n", Out::Same}},
            {"unknown sync word", esc("RaS9" + p.header + p.raw), {0, "", Out::JobFrameOnly}},
        },
        reference);
}

// Every depth with every colour space the filter may meet: the rows are read as
// cupsBytesPerLine bytes whatever they mean, and printed.
TEST_F(BadInput, EveryBitsPerPixelAndColourSpace) {
    const cups_cspace_t spaces[] = {CUPS_CSPACE_W,    CUPS_CSPACE_K,  CUPS_CSPACE_RGB, CUPS_CSPACE_RGBA,
                                    CUPS_CSPACE_CMYK, CUPS_CSPACE_SW, CUPS_CSPACE_SRGB};
    std::vector<Case> cases;
    for (const cups_cspace_t space : spaces) {
        for (const uint32_t bits : {1u, 2u, 4u, 8u, 16u}) {
            // Written as 8-bit grey rows of the right length, then described as this depth and space.
            const uint32_t width = 16;
            const uint32_t bitsPerPixel = bits * kvtest::colorsOf(space);
            const uint32_t bytesPerLine = (width * bitsPerPixel + 7) / 8;
            RasterPage page = rowsPage(bytesPerLine, 6);
            page.patchHeader = [=](cups_page_header2_t& h) {
                h.cupsWidth = width;
                h.cupsBitsPerColor = bits;
                h.cupsBitsPerPixel = bitsPerPixel;
                h.cupsColorSpace = space;
            };
            cases.push_back({"space " + std::to_string(space) + ", " + std::to_string(bits) + " bits",
                             esc(kvtest::rasterStream({page})),
                             {0, "PAGE: 1 1\n"}});
        }
    }
    expectAll(cases);
}

TEST_F(BadInput, MissingEmptyGarbageOrHugePpd) {
    const std::string page = kvtest::rasterStream({rowsPage(16, 8)});
    const std::string empty = dir.file("empty.ppd");
    std::ofstream(empty) << "";
    const std::string garbage = dir.file("garbage.ppd");
    std::ofstream(garbage, std::ios::binary)
        << std::string("\x00\xFF*PPD-Adobe\n\"\"\"*:\n", 18) + std::string(5000, '\x9C');
    std::string attributes;
    // 400 KB: libcups grows its attribute list a few entries at a time, which the
    // sanitizer build's realloc makes quadratic.
    for (int i = 0; attributes.size() < 400'000; ++i) attributes += "*KVAttr Filler" + std::to_string(i) + ": \"x\"\n";
    const std::string huge = ppd({.attributes = {{"KVAttr", "PrinterModel", "ESC"}}, .extra = attributes}, "huge");
    // Without a PPD the job runs as the L50 device model, whose margins a
    // page of 8 rows doesn't clear: a warning, no printer bytes.
    const Expect device{0, "PAGE: 1 1\nWARNING: Page 1 (16 x 8 dots) can't be printed on this printer model, skipped\n",
                        Out::Empty};
    expectAll({
        {"no PPD variable", {.input = page}, device},
        {"PPD file missing", {.ppdPath = dir.file("missing.ppd"), .input = page}, device},
        {"PPD file empty", {.ppdPath = empty, .input = page}, device},
        {"PPD file garbage", {.ppdPath = garbage, .input = page}, device},
        {"PPD of 400 KB of attributes", {.ppdPath = huge, .input = page}, {0, "PAGE: 1 1\n"}},
        // A PrinterSize without a device number names no device: the queue stays ESC/POS.
        {"PrinterSize 28.",
         {.ppdPath =
              ppd({.attributes = {{"KVAttr", "PrinterModel", "ESC"}, {"ExtensionAttr", "PrinterSize", "28."}}}, "size"),
          .input = page},
         {0, "PAGE: 1 1\n"}},
        // Media the PPD claims beyond any real size count as no media: the cap holds.
        {"absurd media size",
         {.ppdPath = ppd({.attributes = {{"KVAttr", "PrinterModel", "ESC"}},
                          .extra = "*DefaultResolution: 203dpi\n*VariablePaperSize: True\n"
                                   "*MaxMediaWidth: \"1e30\"\n*MaxMediaHeight: \"1e30\"\n"},
                         "absurd"),
          .input = kvtest::rasterStream({RasterPage{.width = 2561, .height = 1, .headerOnly = true}})},
         {1, kTooLarge, Out::JobFrameOnly}},
    });
}

TEST_F(BadInput, NonNumericAndExtremeOptionValues) {
    const std::string page = kvtest::rasterStream({rowsPage(16, 8)});
    const std::string black = kvtest::rasterStream({kvtest::grayPage(16, 8, 0)});
    const std::string two = ppd({.attributes = {{"KVAttr", "PrinterModel", "Two_Color_TSPL"}}}, "two");
    const std::string device = ppd({.attributes = {{"KVAttr", "PrinterModel", "L50C"}}}, "device");
    const RasterPage tall = kvtest::grayPage(400, 600, 90);
    const Expect printed{0, "PAGE: 1 1\n"};
    expectAll({
        {"words for numbers", esc(page, "Darkness=dark PrintMode=x5 Cutting=abc"), printed},
        {"print mode INT32_MIN", esc(page, "PrintMode=-2147483648"), printed},
        {"print mode beyond 64 bits", esc(page, "PrintMode=99999999999999999999999"), printed},
        {"print mode 32767", esc(page, "PrintMode=32767"), printed},
        {"feed of 2^31 - 1 blocks", esc(page, "FeedDist=2147483647"), printed},
        {"black rows removed from a black page", esc(black, "BlankSpace=1"), printed},
        {"drawer, beeper and cutter out of range", esc(page, "CashDrawer=-1 Beeper=99 Cutting=-2147483648"), printed},
        {"unparsable option text", esc(page, "=== a= =b 'unterminated \"x"), printed},
        {"two-colour model and darkness out of range",
         {.options = "ColorPrintModel=-7 ColourDarkness=99999", .ppdPath = two, .input = page},
         {0, "PAGE: 1 1\n", Out::Any}},
        {"device darkness and speed out of range",
         {.options = "Darkness=-32768 PrintSpeed=65535 PrintMode=11 PositioningMode=-5",
          .ppdPath = device,
          .input = kvtest::rasterStream({tall})},
         {0, "PAGE: 1 1\n", Out::Any}},
    });
}

TEST_F(BadInput, ArgumentCounts) {
    const std::string page = kvtest::rasterStream({rowsPage(16, 8)});
    std::vector<Case> cases;
    for (size_t count = 0; count <= 7; ++count) {
        if (count == 5 || count == 6) continue;  // the two valid counts
        FilterJob job = esc(page);
        job.args = std::vector<std::string>(count, "1");
        cases.push_back({std::to_string(count) + " arguments", job, {1, kUsage, Out::Empty}});
    }
    FilterJob missing = esc(page);
    missing.args.push_back(dir.file("missing.ras"));
    cases.push_back({"file that isn't there",
                     missing,
                     {1, "ERROR: Unable to open the print file: No such file or directory\n", Out::Empty}});
    FilterJob folder = esc(page);
    folder.args.push_back(dir.path());
    cases.push_back({"a folder as the file", folder, {0, "", Out::JobFrameOnly}});
    expectAll(cases);
}

TEST_F(BadInput, StandardOutputClosedOrFull) {
    const std::string page = kvtest::rasterStream({rowsPage(16, 8)});
    const std::string tspl = ppd({.attributes = {{"KVAttr", "PrinterModel", "TSPL"}}}, "tspl");
    expectAll({
        {"closed",
         {.ppdPath = escPpd(), .input = page, .output = kvtest::Output::Closed},
         {1, "PAGE: 1 1\nERROR: Unable to write print data: Bad file descriptor\n", Out::Empty}},
        {"full",
         {.ppdPath = escPpd(), .input = page, .output = kvtest::Output::Full},
         {1, "PAGE: 1 1\nERROR: Unable to write print data: No space left on device\n", Out::Empty}},
        // A job without a single printer byte has nothing to lose.
        {"closed, nothing to print",
         {.ppdPath = tspl, .input = "", .output = kvtest::Output::Closed},
         {0, "", Out::Empty}},
    });
}

TEST_F(BadInput, LogFolderMissingUnwritableOrPlanted) {
    const std::string page = kvtest::rasterStream({rowsPage(16, 8)});
    const std::string tspl = ppd({.attributes = {{"KVAttr", "PrinterModel", "TSPL"}}}, "tspl");
    const std::string reference = kvtest::runFilter({.ppdPath = tspl, .input = page}, dir.path()).out;
    const std::string notAFolder = dir.file("not-a-folder");
    std::ofstream(notAFolder) << "file";
    const std::string planted = dir.file("planted");
    fs::create_directories(planted);
    const std::string victim = dir.file("victim");
    std::ofstream(victim) << "keep";
    fs::create_symlink(victim, planted + "/LxxLog.log");
    fs::create_symlink(victim, planted + "/LxxSendData.bin");
    const std::string readOnly = dir.file("read-only");
    fs::create_directories(readOnly);
    chmod(readOnly.c_str(), 0500);
    const Expect same{0, "PAGE: 1 1\n", Out::Same};
    expectAll(
        {
            {"missing", {.ppdPath = tspl, .input = page}, same, dir.file("missing")},
            {"a file, not a folder", {.ppdPath = tspl, .input = page}, same, notAFolder},
            {"without write permission (root writes anyway)", {.ppdPath = tspl, .input = page}, same, readOnly},
            {"log and dump planted as links",
             {.ppdPath = tspl, .input = page},
             same,
             planted,
             [&](const FilterRun&) { EXPECT_EQ(kvtest::readFile(victim), "keep"); }},
        },
        reference);
    chmod(readOnly.c_str(), 0700);
}

// SIGTERM while the first page is still being read: that page isn't printed,
// the job end sequence is, and the filter ends normally (the scheduler has
// cancelled the job already).
TEST_F(BadInput, SigtermMidJob) {
    const std::string raw = kvtest::rasterStream({rowsPage(16, 40)}, false);
    FilterJob job = esc(raw, "Cutting=2");
    job.cancel = kvtest::Cancel{1800 + 16 * 10, 0, "PAGE: 1 1\n"};
    expectAll({Case{"while reading the first page", job, {0, "PAGE: 1 1\n", Out::Any}, "", [](const FilterRun& r) {
                        EXPECT_EQ(kvtest::hex(r.out), kvtest::hex(std::string("\x1B\x40\x1D\x56\x42\x00\x1B\x40", 8)));
                    }}});
}

}  // namespace
