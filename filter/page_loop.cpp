// Page loop: raster pages in, printer bytes out, one generator per device type.
#include "filter/page_loop.h"

#include <cups/raster.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "filter/debug_log.h"
#include "filter/dynamic_array.h"
#include "languages/escpos_sequences.h"
#include "languages/generators.h"
#include "protocol/device_print.h"
#include "protocol/command_builders.h"

namespace {

constexpr int32_t kEscPos = 164;
// The largest page buffer the filter holds; a larger page is refused like a
// failed allocation. Output arrays can't grow past 2^30 bytes either.
constexpr uint64_t kMaxPageBytes = 1ull << 30;

void writeArray(const DynamicArray* array) {
    if (array != nullptr && array->size > 0) std::fwrite(array->data, 1, static_cast<size_t>(array->size), stdout);
}

uint32_t channelsOf(cups_cspace_t space) {
    switch (space) {
        case CUPS_CSPACE_RGB: return 3;
        case CUPS_CSPACE_RGBA: return 4;
        default: return 1;
    }
}

void logColorSpace(cups_cspace_t space) {
    switch (space) {
        case CUPS_CSPACE_W: writeLogString("colorSpace = %d,CUPS_CSPACE_W", space); break;
        case CUPS_CSPACE_RGB: writeLogString("colorSpace = %d,CUPS_CSPACE_RGB", space); break;
        case CUPS_CSPACE_RGBA: writeLogString("colorSpace = %d,CUPS_CSPACE_RGBA", space); break;
        default: writeLogString("colorSpace = %d", space); break;
    }
}

struct Page {
    std::vector<uint8_t> buffer;
    uint64_t stride = 0;
    uint32_t channels = 1;
    int64_t width = 0;
    uint64_t height = 0;
    cups_cspace_t space = CUPS_CSPACE_W;
};

// Reads the rows of one page into a white-filled buffer; rows that can't be
// read stay white. Sizes are 64-bit so no header can make them wrap.
bool readPage(cups_raster_t* ras, const cups_page_header2_t& header, Page& page) {
    page.channels = channelsOf(header.cupsColorSpace);
    page.space = header.cupsColorSpace;
    const uint64_t widthBytes = (static_cast<uint64_t>(header.cupsBytesPerLine / page.channels) + 7) / 8;
    page.stride = widthBytes * page.channels * 8;
    const uint64_t total = page.stride * header.cupsHeight;
    if (page.stride > kMaxPageBytes || total > kMaxPageBytes) return false;
    try {
        page.buffer.assign(total, 0xFF);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const uint32_t bpl = header.cupsBytesPerLine;
    // A row whose bytes don't fit the stride (possible when cupsBytesPerLine is no
    // multiple of the pixel size) is read whole and cut to the stride.
    std::vector<uint8_t> scratch(bpl > page.stride ? bpl : 0);
    for (uint64_t r = 0; r < header.cupsHeight; ++r) {
        uint8_t* row = page.buffer.data() + r * page.stride;
        uint8_t* target = scratch.empty() ? row : scratch.data();
        if (cupsRasterReadPixels(ras, target, bpl) == 0) break;
        if (!scratch.empty()) std::copy_n(scratch.begin(), page.stride, row);
    }
    return true;
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
        case 193: {
            const int64_t rowBytes = page.width * static_cast<int64_t>(page.channels);
            return getTSPLTwoColorPrintData(data, rowBytes, page.width, page.height, s);
        }
        default: return nullptr;
    }
}

void processPage(const cups_page_header2_t& header, Page& page, JobSettings* s) {
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
    writeArray(out.get());
}

}  // namespace

void setupJobStart(JobSettings* settings) {
    DynamicArrayPtr array(dynamic_array_init(2));
    if (devType == kEscPos && array) {
        const uint8_t init[] = {0x1B, 0x40};
        dynamic_array_push_more_data(array.get(), init, sizeof init);
        if (settings->beeper == 4) addPosBeeper(array.get());
        if (settings->cashDrawer == 1 || settings->cashDrawer == 3) addPosCashDrawer1(array.get());
        if (settings->cashDrawer == 2 || settings->cashDrawer == 3) addPosCashDrawer2(array.get());
        writeArray(array.get());
    }
    setODMType(odmType);
}

void setupJobEnd(JobSettings* settings) {
    if (devType != kEscPos) return;
    DynamicArrayPtr array(dynamic_array_init(2));
    if (!array) return;
    if (settings->cashDrawer == 4 || settings->cashDrawer == 6) addPosCashDrawer1(array.get());
    if (settings->cashDrawer == 5 || settings->cashDrawer == 6) addPosCashDrawer2(array.get());
    if (settings->cutting == 2) addPosCutting(array.get());
    if (settings->beeper == 3) addPosBeeper(array.get());
    const uint8_t init[] = {0x1B, 0x40};
    dynamic_array_push_more_data(array.get(), init, sizeof init);
    writeArray(array.get());
}

int print_bitmap(JobSettings* settings, cups_file_t* input) {
    cups_raster_t* ras = cupsRasterOpen(cupsFileNumber(input), CUPS_RASTER_READ);
    setupJobStart(settings);
    cups_page_header2_t header;
    int pageNumber = 0;
    while (ras != nullptr && cupsRasterReadHeader2(ras, &header)) {
        if (header.cupsHeight == 0 || header.cupsBytesPerLine == 0) break;
        ++pageNumber;
        std::fprintf(stderr, "PAGE: %d %d\n", pageNumber, header.NumCopies);
        logColorSpace(header.cupsColorSpace);
        writeLogString("1、header.cupsWidth = %d, header.cupsBytesPerLine = %d,header.cupsHeight = %d",
                       header.cupsWidth, header.cupsBytesPerLine, header.cupsHeight);
        Page page;
        if (!readPage(ras, header, page)) {
            std::fputs("ERROR: Unable to allocate memory\n", stderr);
            break;
        }
        processPage(header, page, settings);
        std::fflush(stdout);
    }
    setupJobEnd(settings);
    std::fflush(stdout);
    if (ras != nullptr) cupsRasterClose(ras);
    return 0;
}
