// CPCL output: one label per page, the page as one graphic, hexadecimal (EG)
// or binary (CG). CPCL prints 1 bits and never uses compression.
#include <vector>

#include "base/debug_log.h"
#include "languages/append.h"
#include "languages/generators.h"
#include "languages/one_bit_page.h"

DynamicArray* getCPCLPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings) {
    DynamicArray* out = dynamic_array_init(2);
    if (out == nullptr) return nullptr;
    const JobSettings* s = settings;
    const auto bytesWidth = static_cast<uint64_t>(width) / 8;
    writeLogString("width = %ld, height = %ld", static_cast<long>(width), static_cast<long>(height));
    std::vector<uint8_t> bits;
    if (!allocPageBuffer(bits, bytesWidth * height, "CPCL one-bit page")) return out;
    convertPage(page, bits, bytesWidth, height, s->printMode);
    // The header knows 200 and 300 dpi heads only.
    const int headerDpi = (s->resolution == 200 || s->resolution == 203) ? 200 : 300;
    appendText(out, "! %d %d %d %d %d\r\n", 0, headerDpi, headerDpi, static_cast<int>(height), s->copies);
    appendText(out, "PW %d\r\nNO-PACE\r\nGAP-SENSE\r\n", static_cast<int>(width));
    appendText(out, "TONE %d\r\nSPEED %d.0\r\n", s->darkness, s->printSpeed);
    const int bw = static_cast<int>(bytesWidth);
    const int rows = static_cast<int>(height);
    if (s->isCompressie != 1) {
        writeLogString("isCompressie - NO");
        appendText(out, "EG %d %d %d %d \r\n", bw, rows, s->horizontal, s->vertical);
        appendHex(out, bits.data(), bits.size());
    } else {
        writeLogString("isCompressie - YES");
        appendText(out, "CG %d %d %d %d \r\n", bw, rows, s->horizontal, s->vertical);
        dynamic_array_push_more_data(out, bits.data(), static_cast<int64_t>(bits.size()));
    }
    appendText(out, "\r\n\r\nFORM\r\nPRINT\r\n");
    return finishPage(out);
}
