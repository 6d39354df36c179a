// TSPL output: one self-contained label job per page (set-up block, the page
// as one BITMAP or as compressed strips, PRINT). TSPL prints 0 bits, so the
// converted page is inverted before it is sent.
#include <vector>

#include "base/debug_log.h"
#include "languages/append.h"
#include "languages/generators.h"
#include "languages/one_bit_page.h"
#include "languages/strips.h"
#include "languages/tspl_setup.h"

void appendTsplSetup(DynamicArray* out, const JobSettings* s) {
    appendText(out, "SIZE %dmm,%dmm\r\n", s->widthMM, s->heightMM);
    switch (s->mediaTracking) {
        case 0: appendText(out, "GAP 0 mm,0 mm\r\n"); break;    // continuous media
        case 1: appendText(out, "GAP 3 mm,0 mm\r\n"); break;    // labels with gaps
        case 2: appendText(out, "BLINE 3 mm,0 mm\r\n"); break;  // black-mark media
        default: break;
    }
    appendText(out, "SPEED %d\r\n", s->printSpeed);
    appendText(out, "DENSITY %d\r\n", s->darkness);
    appendText(out,
               "DIRECTION 0,0\r\nREFERENCE 0,0\r\nOFFSET 0.000\r\nSHIFT 0\r\nSET PEEL OFF\r\n"
               "SET CUTTER OFF\r\nSET PARTIAL_CUTTER OFF\r\nSET TEAR ON\r\nCLS\r\n");
}

DynamicArray* getTSPLPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings) {
    DynamicArray* out = dynamic_array_init(2);
    if (out == nullptr) return nullptr;
    const auto bytesWidth = static_cast<uint64_t>(width) / 8;
    writeLogString("onePrintColorBuf,width = %d,height = %d", static_cast<int>(bytesWidth), static_cast<int>(height));
    std::vector<uint8_t> bits;
    if (!allocPageBuffer(bits, bytesWidth * height, "TSPL one-bit page")) return out;
    appendTsplSetup(out, settings);
    convertPage(page, bits, bytesWidth, height, settings->printMode);
    for (uint8_t& b : bits) b = static_cast<uint8_t>(~b);
    if (settings->isCompressie != 1) {
        writeLogString("TSPL-notZlib");
        appendTsplRawBitmap(out, settings->horizontal, settings->vertical, bytesWidth, height, bits.data());
    } else {
        writeLogString("TSPL-isZlib");
        TSPL_Zlib_CutImage(out, static_cast<uint64_t>(width), height, bytesWidth, bits.data(), settings);
    }
    appendText(out, "PRINT 1,%d\r\n", settings->copies);
    return finishPage(out);
}
