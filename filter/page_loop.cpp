// Page loop: raster pages in, printer bytes out, one generator per device type.
// A page is read only up to the printer's largest media, every write to
// standard output is checked, and a cancelled job ends between pages with its
// job end sequence.
#include "filter/page_loop.h"

#include <cups/raster.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "filter/debug_log.h"
#include "filter/dynamic_array.h"
#include "filter/job_cancel.h"
#include "languages/escpos_sequences.h"
#include "languages/generators.h"
#include "protocol/device_print.h"
#include "protocol/command_builders.h"

namespace {

constexpr int32_t kEscPos = 164;
constexpr uint32_t kTwoColourTspl = 193;
// Without media sizes from a PPD the largest page is 2560 x 12000 dots: a
// 216 mm wide, 1 m long page at 300 dpi, the largest any of the driver's own
// PPDs allows. A page beyond the bound is refused like a failed allocation.
constexpr uint64_t kUnknownMediaWidthDots = 2560;
constexpr uint64_t kUnknownMediaHeightDots = 12000;
// Bytes asked of the raster stream at a time when whole bands of rows can be
// read straight into the page.
constexpr uint64_t kBandBytes = 256 * 1024;

// The error of the write to standard output that failed.
int g_outputError = 0;

// Writes the array to standard output; false when the write fails.
bool writeArray(const DynamicArray* array) {
    if (array == nullptr || array->size <= 0) return true;
    const auto size = static_cast<size_t>(array->size);
    if (std::fwrite(array->data, 1, size, stdout) == size) return true;
    g_outputError = errno;
    return false;
}

bool flushOutput() {
    if (std::fflush(stdout) == 0) return true;
    g_outputError = errno;
    return false;
}

void reportOutputFailure() {
    const int error = g_outputError;
    std::fprintf(stderr, "ERROR: Unable to write print data: %s\n", std::strerror(error));
    writeLogString("write to standard output failed: %s", std::strerror(error));
}

// The header's colour space as a number: a stream may hold any value there,
// not only those the enumeration names.
uint32_t colorSpaceOf(const cups_page_header2_t& header) {
    uint32_t space = 0;
    static_assert(sizeof header.cupsColorSpace == sizeof space);
    std::memcpy(&space, &header.cupsColorSpace, sizeof space);
    return space;
}

uint32_t channelsOf(uint32_t space) {
    switch (space) {
        case CUPS_CSPACE_RGB: return 3;
        case CUPS_CSPACE_RGBA: return 4;
        default: return 1;
    }
}

void logColorSpace(uint32_t space) {
    const int value = static_cast<int>(space);
    switch (space) {
        case CUPS_CSPACE_W: writeLogString("colorSpace = %d,CUPS_CSPACE_W", value); break;
        case CUPS_CSPACE_RGB: writeLogString("colorSpace = %d,CUPS_CSPACE_RGB", value); break;
        case CUPS_CSPACE_RGBA: writeLogString("colorSpace = %d,CUPS_CSPACE_RGBA", value); break;
        default: writeLogString("colorSpace = %d", value); break;
    }
}

struct Page {
    std::vector<uint8_t> buffer;
    uint64_t stride = 0;
    uint32_t channels = 1;
    uint64_t pixels = 0;  // pixels per row the stream holds (cupsBytesPerLine / channels)
    uint64_t rows = 0;    // cupsHeight
    int64_t width = 0;
    uint64_t height = 0;
    uint32_t space = CUPS_CSPACE_W;
};

enum class ReadResult { Read, TooLarge, NoMemory };

// Rows are padded to whole bytes of pixels. Sizes are 64-bit so no header can
// make them wrap.
void layOut(const cups_page_header2_t& header, Page& page) {
    page.space = colorSpaceOf(header);
    page.channels = channelsOf(page.space);
    page.pixels = header.cupsBytesPerLine / page.channels;
    page.stride = (page.pixels + 7) / 8 * 8 * page.channels;
    page.rows = header.cupsHeight;
}

// Makes the buffer hold `rows` rows, new rows white. The capacity grows with
// the rows read, never beyond the whole page.
bool growTo(Page& page, uint64_t rows) {
    std::vector<uint8_t>& buffer = page.buffer;
    const uint64_t bytes = rows * page.stride;
    try {
        if (bytes > buffer.capacity()) {
            const uint64_t doubled = 2 * static_cast<uint64_t>(buffer.capacity());
            buffer.reserve(std::min(std::max(bytes, doubled), page.rows * page.stride));
        }
        buffer.resize(bytes, 0xFF);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

// Reads the rows in order until the stream has no more; rows not read stay
// white. When a row is exactly a stride long, whole bands of rows are read per
// call; otherwise row by row, each cupsBytesPerLine long (a row longer than the
// stride, possible when cupsBytesPerLine is no multiple of the pixel size, is
// read whole and cut to the stride).
bool readRows(cups_raster_t* ras, uint32_t bytesPerLine, Page& page) {
    const bool banded = bytesPerLine == page.stride;
    const uint64_t band = banded ? std::max<uint64_t>(1, kBandBytes / page.stride) : 1;
    std::vector<uint8_t> scratch(bytesPerLine > page.stride ? bytesPerLine : 0);
    for (uint64_t r = 0; r < page.rows;) {
        const uint64_t count = std::min(band, page.rows - r);
        if (!growTo(page, r + count)) return false;
        uint8_t* row = page.buffer.data() + r * page.stride;
        if (banded) {
            const auto want = static_cast<unsigned>(count * bytesPerLine);
            if (cupsRasterReadPixels(ras, row, want) < want) break;
        } else {
            uint8_t* target = scratch.empty() ? row : scratch.data();
            if (cupsRasterReadPixels(ras, target, bytesPerLine) == 0) break;
            if (!scratch.empty()) std::copy_n(scratch.begin(), page.stride, row);
        }
        r += count;
    }
    return growTo(page, page.rows);
}

ReadResult readPage(cups_raster_t* ras, const cups_page_header2_t& header, const JobSettings* s, Page& page) {
    layOut(header, page);
    const PageLimit bound = largestPage(s);
    if (page.pixels > bound.width || page.rows > bound.height) {
        writeLogString("page of %lu x %lu dots is larger than the largest media (%lu x %lu dots)",
                       static_cast<unsigned long>(page.pixels), static_cast<unsigned long>(page.rows),
                       static_cast<unsigned long>(bound.width), static_cast<unsigned long>(bound.height));
        return ReadResult::TooLarge;
    }
    return readRows(ras, header.cupsBytesPerLine, page) ? ReadResult::Read : ReadResult::NoMemory;
}

void remapPrintMode(JobSettings* s) {
    if (s->printMode != 5) return;
    if (static_cast<uint32_t>(devType) >= 160) {
        s->printMode = 6;
    } else if (devType == 4) {
        s->printMode = 11;
    } else {
        s->printMode = 9;
    }
}

// Truncation toward zero to 32 bits. A size beyond the range (a tiny or
// negative PPD resolution on a huge page) gives INT32_MIN, the value the
// processor's own conversion yields, instead of undefined behaviour.
int32_t truncateMM(double mm) {
    if (!(mm > -2147483649.0 && mm < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(mm);
}

// Label size in millimetres. Without a resolution the size is unknown: 0.
void setLabelSize(JobSettings* s, int64_t width, uint64_t height) {
    if (s->resolution == 0) {
        s->widthMM = 0;
        s->heightMM = 0;
        return;
    }
    s->widthMM = truncateMM(static_cast<double>(width) * 25.4 / s->resolution);
    s->heightMM = truncateMM(static_cast<double>(height) * 25.4 / s->resolution);
}

DynamicArray* generate(Page& page, JobSettings* s) {
    const uint32_t type = static_cast<uint32_t>(devType);
    const bool wantsRgba = type >= 192;
    if (wantsRgba && page.space != CUPS_CSPACE_RGBA) writeLogString("不是RGBA图片？ PPD被篡改？");
    if (!wantsRgba && page.space != CUPS_CSPACE_W) writeLogString("不是灰度图片？ PPD被篡改？");
    const uint8_t* data = page.buffer.data();
    if (type < 160) return getKVProtocolPrintData(data, page.width, page.height, s, type);
    switch (type) {
        case 161: return getTSPLPrintData(data, page.width, page.height, s);
        case 162: return getZPLPrintData(data, page.width, page.height, s);
        case 163: return getCPCLPrintData(data, page.width, page.height, s);
        case kEscPos: return getESCPrintData(data, page.width, page.height, s);
        case 191: return getSFZPLPrintData(data, page.width, page.height, s);
        case kTwoColourTspl: {
            // Grey and RGB pages are split by the same colour rules as RGBA.
            const int64_t rowBytes = page.width * static_cast<int64_t>(page.channels);
            return getTSPLTwoColorPrintData(data, rowBytes, page.width, page.height, s,
                                            static_cast<int>(page.channels));
        }
        default: return nullptr;
    }
}

// Generates the page and writes it out; false when standard output fails.
bool processPage(const cups_page_header2_t& header, Page& page, JobSettings* s, int pageNumber) {
    writeLogString("maxWidth_mm = %d", s->maxWidthMM);
    writeLogString("2、bytesPerLine = %d,header.cupsHeight = %d", static_cast<int>(page.stride),
                   static_cast<int>(header.cupsHeight));
    s->copies = 1;
    remapPrintMode(s);
    page.width = static_cast<int64_t>(page.stride / page.channels);
    page.height = header.cupsHeight;
    writeLogString("3、Width = %ld,height = %ld", static_cast<long>(page.width), static_cast<long>(page.height));
    if (static_cast<uint32_t>(devType) > 160 && s->maxWidthMM > 0) {
        subImageLessthenMaxPrintWidthMM(page.buffer.data(), &page.width, page.height, s,
                                        static_cast<int>(page.channels));
    }
    writeLogString("4、Width = %ld,height = %ld", static_cast<long>(page.width), static_cast<long>(page.height));
    setLabelSize(s, page.width, page.height);
    DynamicArrayPtr out(generate(page, s));
    if (static_cast<uint32_t>(devType) < 160 && (!out || out->size == 0)) {
        std::fprintf(stderr, "WARNING: Page %d (%ld x %lu dots) can't be printed on this printer model, skipped\n",
                     pageNumber, static_cast<long>(page.width), static_cast<unsigned long>(page.height));
    }
    return writeArray(out.get()) && flushOutput();
}

// What became of the page loop.
struct LoopEnd {
    bool outputFailed = false;  // standard output failed: nothing more can be sent
    bool pageRefused = false;   // a page was too large or found no memory
};

// Reads, generates and writes pages until the stream ends, a page fails or
// the job is cancelled (checked before each page and before printing a page).
LoopEnd runPages(cups_raster_t* ras, JobSettings* settings) {
    LoopEnd end;
    cups_page_header2_t header;
    int pageNumber = 0;
    while (!jobCancelled() && cupsRasterReadHeader2(ras, &header) && !jobCancelled()) {
        if (header.cupsHeight == 0 || header.cupsBytesPerLine == 0) break;
        ++pageNumber;
        std::fprintf(stderr, "PAGE: %d %d\n", pageNumber, header.NumCopies);
        logColorSpace(colorSpaceOf(header));
        writeLogString("1、header.cupsWidth = %d, header.cupsBytesPerLine = %d,header.cupsHeight = %d",
                       header.cupsWidth, header.cupsBytesPerLine, header.cupsHeight);
        Page page;
        const ReadResult read = readPage(ras, header, settings, page);
        if (read != ReadResult::Read) {
            std::fputs(read == ReadResult::TooLarge ? "ERROR: Page is larger than the printer's largest media\n"
                                                    : "ERROR: Unable to allocate memory\n",
                       stderr);
            end.pageRefused = true;
            break;
        }
        if (jobCancelled()) break;
        if (!processPage(header, page, settings, pageNumber)) {
            end.outputFailed = true;
            break;
        }
    }
    return end;
}

}  // namespace

PageLimit largestPage(const JobSettings* settings) {
    if (settings->mediaMaxWidthDots <= 0 || settings->mediaMaxHeightDots <= 0) {
        return {kUnknownMediaWidthDots, kUnknownMediaHeightDots};
    }
    // Slack for the rounding of the CUPS chain's renderers: 1/32 and 8 dots.
    const auto w = static_cast<uint64_t>(settings->mediaMaxWidthDots);
    const auto h = static_cast<uint64_t>(settings->mediaMaxHeightDots);
    return {w + w / 32 + 8, h + h / 32 + 8};
}

bool setupJobStart(JobSettings* settings) {
    DynamicArrayPtr array(dynamic_array_init(2));
    bool written = true;
    if (devType == kEscPos && array) {
        const uint8_t init[] = {0x1B, 0x40};
        dynamic_array_push_more_data(array.get(), init, sizeof init);
        if (settings->beeper == 4) addPosBeeper(array.get());
        if (settings->cashDrawer == 1 || settings->cashDrawer == 3) addPosCashDrawer1(array.get());
        if (settings->cashDrawer == 2 || settings->cashDrawer == 3) addPosCashDrawer2(array.get());
        written = writeArray(array.get());
    }
    setODMType(odmType);
    return written;
}

bool setupJobEnd(JobSettings* settings) {
    if (devType != kEscPos) return true;
    DynamicArrayPtr array(dynamic_array_init(2));
    if (!array) return true;
    if (settings->cashDrawer == 4 || settings->cashDrawer == 6) addPosCashDrawer1(array.get());
    if (settings->cashDrawer == 5 || settings->cashDrawer == 6) addPosCashDrawer2(array.get());
    if (settings->cutting == 2) addPosCutting(array.get());
    if (settings->beeper == 3) addPosBeeper(array.get());
    const uint8_t init[] = {0x1B, 0x40};
    dynamic_array_push_more_data(array.get(), init, sizeof init);
    return writeArray(array.get());
}

int print_bitmap(JobSettings* settings, cups_file_t* input) {
    cups_raster_t* ras = cupsRasterOpen(cupsFileNumber(input), CUPS_RASTER_READ);
    LoopEnd end;
    end.outputFailed = !setupJobStart(settings);
    if (!end.outputFailed && ras != nullptr) end = runPages(ras, settings);
    if (jobCancelled()) writeLogString("job cancelled: no further pages, job end written");
    if (!end.outputFailed) end.outputFailed = !setupJobEnd(settings) || !flushOutput();
    if (ras != nullptr) cupsRasterClose(ras);
    if (end.outputFailed) reportOutputFailure();
    return end.outputFailed || end.pageRefused ? 1 : 0;
}
