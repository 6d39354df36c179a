// Fuzz target: the filter's whole page loop (print_bitmap) on an in-memory
// raster stream, for every printer kind. The first bytes choose the kind, the
// device family and every number of the job settings; then either the rest of
// the input is the raster stream itself, or pages are built from header
// fields of the input (any colour space, bits per colour, bytes per line;
// possibly cut short) with rows that repeat the rest. Pages larger than the
// input can justify are not run, so a tiny header can't make the fuzzer wait
// on gigabytes.
// Printer bytes go to /dev/null, the "PAGE:" lines too, and the log folder
// does not exist, so nothing is written anywhere.
// Allocations above 256 MB fail here, as under a memory limit: pages are
// bounded far below that, and libcups's header reader sizes the line buffer
// of a compressed stream by cupsBytesPerLine before it checks the header (up
// to 4 GB, which AddressSanitizer would take seconds to map and poison).
#include <cups/raster.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "base/seams.h"
#include "filter/page_loop.h"
#include "filter/settings_reader.h"
#include "fuzz/fuzz_input.h"

namespace {

// devType values: device models (0 to 5, 6 unknown), no generator (160, 192),
// TSPL, ZPL, CPCL, ESC/POS, SF ZPL, two-colour TSPL.
constexpr int32_t kKinds[] = {0, 1, 2, 3, 4, 5, 6, 160, 161, 162, 163, 164, 191, 192, 193};
constexpr uint8_t kFamilies[] = {28, 31, 163, 30};
// The largest media of the driver's PPDs: 216 mm x 1 m at 300 dpi.
constexpr uint32_t kMaxMediaWidthDots = 2560;
constexpr uint32_t kMaxMediaHeightDots = 12000;

// The largest page (bytes per line x height) an input of `size` bytes runs.
uint64_t pageBound(size_t size) { return std::max<uint64_t>(1u << 16, 64ull * size); }

time_t fixedClock() { return 1700000000; }
int fixedRand() { return 12345; }
void fixedSrand(unsigned) {}

void readSettings(FuzzInput& in, JobSettings& s) {
    static char user[] = "fuzz", title[] = "page";
    s.jobId = in.take<int32_t>();
    s.user = user;
    s.title = title;
    s.copies = in.take<int32_t>();
    s.widthMM = in.take<int32_t>();
    s.heightMM = in.take<int32_t>();
    s.darkness = in.take<int16_t>();
    s.printSpeed = in.take<int16_t>();
    s.horizontal = in.take<int16_t>();
    s.vertical = in.take<int16_t>();
    s.mediaTracking = in.take<int32_t>();
    s.printMode = in.take<int16_t>();
    s.colourDarkness = in.take<int16_t>();
    s.isCompressie = in.take<int16_t>();
    s.resolution = in.take<int32_t>();
    s.maxWidthMM = in.take<int32_t>();
    s.noCompressie = in.take<int64_t>();
    s.compressie = in.take<int64_t>();
    s.silentPrint = in.take<int16_t>();
    s.positioningMode = in.take<int16_t>();
    s.cashDrawer = in.take<int32_t>();
    s.blankSpace = in.take<int32_t>();
    s.feedDist = in.take<int32_t>();
    s.cutting = in.take<int32_t>();
    s.beeper = in.take<int32_t>();
    s.colorPrintModel = in.take<int32_t>();
    // Media limits come from the administrator's PPD: within what the
    // driver's own PPDs state (0 for a PPD that states none).
    s.mediaMaxWidthDots = int32_t(in.take<uint32_t>() % (kMaxMediaWidthDots + 1));
    s.mediaMaxHeightDots = int32_t(in.take<uint32_t>() % (kMaxMediaHeightDots + 1));
}

struct PageShape {
    cups_page_header2_t header{};
    uint32_t rowsWritten = 0;  // fewer than cupsHeight: the stream ends inside the page
};

PageShape readShape(FuzzInput& in, uint64_t bound) {
    static const cups_cspace_t kSpaces[] = {CUPS_CSPACE_W,    CUPS_CSPACE_RGB, CUPS_CSPACE_RGBA, CUPS_CSPACE_K,
                                            CUPS_CSPACE_CMYK, CUPS_CSPACE_SW,  CUPS_CSPACE_SRGB, CUPS_CSPACE_ADOBERGB};
    static const unsigned kBits[] = {8, 1, 2, 4, 16};
    PageShape p;
    cups_page_header2_t& h = p.header;
    const size_t space = in.choose(std::size(kSpaces) + 1);
    // Any 32-bit colour space, stored as the stream holds it: a value outside
    // the enum never passes through an enum-typed value here.
    uint32_t spaceValue = in.take<uint32_t>();
    if (space < std::size(kSpaces)) spaceValue = kSpaces[space];
    std::memcpy(&h.cupsColorSpace, &spaceValue, sizeof spaceValue);
    const unsigned channels = spaceValue == CUPS_CSPACE_RGB ? 3 : spaceValue == CUPS_CSPACE_RGBA ? 4 : 1;
    h.cupsBitsPerColor = kBits[in.choose(std::size(kBits))];
    h.cupsBitsPerPixel = h.cupsBitsPerColor * channels;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsWidth = in.take<uint16_t>() % 4097;
    const uint16_t rawBytesPerLine = in.take<uint16_t>();
    h.cupsBytesPerLine = rawBytesPerLine != 0 ? rawBytesPerLine : (h.cupsWidth * h.cupsBitsPerPixel + 7) / 8;
    h.cupsHeight = in.take<uint16_t>();
    if (h.cupsBytesPerLine > 0 && uint64_t(h.cupsBytesPerLine) * h.cupsHeight > bound)
        h.cupsHeight = static_cast<unsigned>(bound / h.cupsBytesPerLine);
    h.NumCopies = in.take<uint8_t>();
    h.HWResolution[0] = h.HWResolution[1] = in.take<uint16_t>();
    const uint16_t cut = in.take<uint16_t>();
    p.rowsWritten = cut != 0 ? std::min<uint32_t>(cut - 1, h.cupsHeight) : h.cupsHeight;
    return p;
}

// Writes the pages as an uncompressed stream (sync word, headers as they are
// in memory, rows as they are), the form that carries any header unchanged;
// their rows repeat the pixel bytes of the input. Compressed and byte-swapped
// streams come in as raw bytes.
bool writePages(int fd, const std::vector<PageShape>& pages, std::span<const uint8_t> pixels) {
    const uint32_t sync = CUPS_RASTER_SYNC;  // "RaS3" in the machine's byte order
    std::vector<uint8_t> stream(4);
    std::memcpy(stream.data(), &sync, sizeof sync);
    size_t at = 0;
    for (const PageShape& page : pages) {
        const auto* header = reinterpret_cast<const uint8_t*>(&page.header);
        stream.insert(stream.end(), header, header + sizeof page.header);
        const uint32_t bytesPerLine = page.header.cupsBytesPerLine;
        for (uint32_t r = 0; r < page.rowsWritten; ++r)
            for (uint32_t i = 0; i < bytesPerLine; ++i)
                stream.push_back(pixels.empty() ? uint8_t(r) : pixels[at++ % pixels.size()]);
        if (page.rowsWritten < page.header.cupsHeight) break;  // the stream ends inside this page
    }
    return write(fd, stream.data(), stream.size()) == ssize_t(stream.size());
}

// True when every page of the stream fits the bound (the loop stops where the
// filter's would: at a header that can't be read or has no rows).
bool pagesWithinBound(int fd, uint64_t bound) {
    cups_raster_t* ras = cupsRasterOpen(fd, CUPS_RASTER_READ);
    if (ras == nullptr) return true;
    bool fits = true;
    cups_page_header2_t h;
    std::vector<uint8_t> row;
    while (fits && cupsRasterReadHeader2(ras, &h)) {
        if (h.cupsHeight == 0 || h.cupsBytesPerLine == 0) break;
        fits = uint64_t(h.cupsBytesPerLine) * h.cupsHeight <= bound;
        if (!fits) break;
        row.resize(h.cupsBytesPerLine);
        for (uint32_t r = 0; r < h.cupsHeight; ++r)
            if (cupsRasterReadPixels(ras, row.data(), h.cupsBytesPerLine) == 0) break;
    }
    cupsRasterClose(ras);
    return fits;
}

}  // namespace

extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1:max_allocation_size_mb=256"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // libFuzzer and the sanitizers keep their own handle on standard error.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    if (FILE* null = std::fopen("/dev/null", "w")) stderr = null;
    setDebugLogDirectory("/nonexistent/kv-fuzz-log");
    setKvClock(&fixedClock);
    setKvRandom(&fixedRand, &fixedSrand);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint64_t bound = pageBound(size);
    devType = kKinds[in.choose(std::size(kKinds))];
    const size_t family = in.choose(std::size(kFamilies) + 1);
    const uint8_t rawFamily = in.take<uint8_t>();
    odmType = family < std::size(kFamilies) ? kFamilies[family] : rawFamily;
    JobSettings settings{};
    readSettings(in, settings);

    const int fd = memfd_create("raster", MFD_CLOEXEC);
    if (fd < 0) return 0;
    bool written = false;
    if (in.choose(2) == 0) {  // the rest of the input is the raster stream
        const auto stream = in.rest();
        written = write(fd, stream.data(), stream.size()) == ssize_t(stream.size());
    } else {
        std::vector<PageShape> pages(1 + in.choose(3));
        for (PageShape& page : pages) page = readShape(in, bound);
        written = writePages(fd, pages, in.rest());
    }
    if (!written) {
        close(fd);
        return 0;
    }
    if (lseek(fd, 0, SEEK_SET) != 0 || !pagesWithinBound(fd, bound) || lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        return 0;
    }
    cups_file_t* input = cupsFileOpenFd(fd, "r");
    if (input == nullptr) {
        close(fd);
        return 0;
    }
    print_bitmap(&settings, input);
    cupsFileClose(input);
    return 0;
}
