// ZPL output: one label format (^XA .. ^XZ) per page carrying the page as a
// single graphic field, in hexadecimal or, compressed, as Z64 strips.
// ZPL prints 1 bits, so the converted page is sent as it is.
#include <vector>

#include "base/debug_log.h"
#include "languages/append.h"
#include "languages/generators.h"
#include "languages/one_bit_page.h"
#include "languages/strips.h"

namespace {

void appendZplSetup(DynamicArray* out, int64_t width, uint64_t height, const JobSettings* s) {
    appendText(out, "^XA^LH0,0");
    switch (s->mediaTracking) {
        case 0: appendText(out, "^MNN"); break;  // continuous
        case 1: appendText(out, "^MNW"); break;  // web (gap) sensing
        case 2: appendText(out, "^MNM"); break;  // mark sensing
        default: break;
    }
    // ^POI: the printer rotates the label by 180 degrees.
    appendText(out, "^LS0^POI^PW%d^LL%d\r\n", static_cast<int>(width), static_cast<int>(height));
    appendText(out, "^PR%d\r\n~SD%d\r\n", s->printSpeed, s->darkness);
}

}  // namespace

DynamicArray* getZPLPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings) {
    DynamicArray* out = dynamic_array_init(2);
    if (out == nullptr) return nullptr;
    const auto bytesWidth = static_cast<uint64_t>(width) / 8;
    writeLogString("onePrintColorBuf,width = %d,height = %d", static_cast<int>(bytesWidth), static_cast<int>(height));
    std::vector<uint8_t> bits;
    if (!allocPageBuffer(bits, bytesWidth * height, "ZPL one-bit page")) return out;
    appendZplSetup(out, width, height, settings);
    convertPage(page, bits, bytesWidth, height, settings->printMode);
    if (settings->isCompressie != 1) {
        appendZplHexField(out, settings->horizontal, settings->vertical, bytesWidth, height, bits.data());
    } else {
        ZPL_Zlib_CutImage(out, static_cast<uint64_t>(width), height, bytesWidth, bits.data(), settings);
    }
    appendText(out, "^PQ%d^XZ\r\n", settings->copies);
    return finishPage(out);
}
