// Crop to the maximum print width, the strip search, and the compressed strip
// forms of TSPL (BITMAP mode 3) and ZPL (^GFA ... :Z64:).
//
// Printers buffer a bitmap command whole, so each strip has to stay below both
// the raw and the compressed size the model accepts (PPD KVAttr NoCompressie
// and Compressie). The search tries the remaining rows, then half, a quarter...
#include "languages/strips.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "base/debug_log.h"
#include "languages/append.h"
#include "languages/base64.h"
#include "languages/crc16.h"
#include "languages/generators.h"

namespace {

bool tryAssign(std::vector<uint8_t>& buffer, uint64_t count) {
    try {
        buffer.assign(count, 0);
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {}
    return false;
}

// One zlib attempt at the default level, with the whole work buffer offered.
int compressCandidate(const uint8_t* src, uint64_t bytes, uint8_t* dst, uint64_t capacity, uint64_t* outLen) {
    uLongf len = static_cast<uLongf>(capacity);
    const int ret = compress(dst, &len, src, static_cast<uLong>(bytes));
    *outLen = ret == Z_OK ? static_cast<uint64_t>(len) : 0;
    return ret;
}

void logCandidate(int ret, uint64_t clen, uint64_t width, uint64_t height, uint64_t bytes, bool rawOk, bool zipOk,
                  const JobSettings* s) {
    writeLogString("compress ret = %d ", ret);
    writeLogString("compress length: compressByteLength = %d / width =%u / height = %u / allBytes = %lu ",
                   static_cast<int>(clen), static_cast<unsigned>(width), static_cast<unsigned>(height),
                   static_cast<unsigned long>(bytes));
    writeLogString("allBytes = %lu < %ld ? %d ", static_cast<unsigned long>(bytes), static_cast<long>(s->noCompressie),
                   rawOk ? 1 : 0);
    writeLogString("compressByteLength = %lu < %ld ? %d", static_cast<unsigned long>(clen),
                   static_cast<long>(s->compressie), zipOk ? 1 : 0);
}

// y of the strip that starts after `bytesDone` page bytes.
int64_t stripY(const JobSettings* s, uint64_t bytesDone, uint64_t width) {
    return s->vertical + static_cast<int64_t>(bytesDone * 8 / width);
}

}  // namespace

void subImageLessthenMaxPrintWidthMM(uint8_t* page, int64_t* width, uint64_t height, const JobSettings* settings,
                                     int bytesPerPixel) {
    if (settings->maxWidthMM <= 0) return;
    // The product wraps in 32 bits as the printer configuration tools compute it.
    const auto product =
        static_cast<int32_t>(static_cast<uint32_t>(settings->maxWidthMM) * static_cast<uint32_t>(settings->resolution));
    int32_t maxPix = static_cast<int32_t>(product / 25.4);
    maxPix = (maxPix + 7) / 8 * 8;
    writeLogString("maxPix = %d, *width = %d ", maxPix, static_cast<int>(*width));
    if (maxPix >= *width) return;
    if (maxPix <= 0) {
        // No resolution, or a nonsensical product: cropping to nothing would lose the page.
        writeLogString("maxPix = %d is no usable print width, page not cropped", maxPix);
        return;
    }
    const auto bpp = static_cast<uint64_t>(bytesPerPixel);
    const uint64_t from = static_cast<uint64_t>(*width) * bpp;
    const uint64_t to = static_cast<uint64_t>(maxPix) * bpp;
    // Rows only shrink, so moving them forward in place never overwrites unread data.
    for (uint64_t r = 1; r < height; ++r) std::memmove(page + r * to, page + r * from, to);
    *width = maxPix;
}

uint64_t getCutImageLength(uint64_t width, uint64_t height, const uint8_t* src, uint8_t* dst, uint64_t* dstLen,
                           const JobSettings* settings) {
    const uint64_t capacity = *dstLen;
    const auto rawLimit = static_cast<uint64_t>(settings->noCompressie);
    const auto zipLimit = static_cast<uint64_t>(settings->compressie);
    for (;;) {
        const uint64_t bytes = width * height / 8;
        uint64_t clen = 0;
        const int ret = compressCandidate(src, bytes, dst, capacity, &clen);
        const bool rawOk = bytes < rawLimit;
        const bool zipOk = clen < zipLimit;
        logCandidate(ret, clen, width, height, bytes, rawOk, zipOk, settings);
        *dstLen = clen;
        if (ret != Z_OK) return bytes;  // *dstLen is 0: the caller sends these rows uncompressed
        if (rawOk && zipOk) {
            writeLogString("===== end =====");
            return bytes;
        }
        if (height <= 1) {
            // Halving further would give an empty strip and never finish the page.
            writeLogString("a single row exceeds the strip limits, sent as one strip");
            return bytes;
        }
        height /= 2;
    }
}

void appendTsplRawBitmap(DynamicArray* out, int64_t x, int64_t y, uint64_t bytesWidth, uint64_t rows,
                         const uint8_t* bits) {
    appendText(out, "BITMAP %d,%d,%d,%d,0,", static_cast<int>(x), static_cast<int>(y), static_cast<int>(bytesWidth),
               static_cast<int>(rows));
    dynamic_array_push_more_data(out, bits, static_cast<int64_t>(bytesWidth * rows));
    appendText(out, "\r\n");
}

void appendZplHexField(DynamicArray* out, int64_t x, int64_t y, uint64_t bytesWidth, uint64_t rows,
                       const uint8_t* bits) {
    const auto total = static_cast<int>(bytesWidth * rows);
    appendText(out, "^FO%d,%d,0\r\n", static_cast<int>(x), static_cast<int>(y));
    appendText(out, "^GFA,%d,%d,%d,", total, total, static_cast<int>(bytesWidth));
    appendHex(out, bits, bytesWidth * rows);
    appendText(out, "\r\n");
}

namespace {

// The shared strip loop: `emit` appends one accepted strip (its compressed
// bytes in the work buffer) and returns false when it couldn't; `raw` sends
// the rows from a given point uncompressed, the fallback when zlib or a
// buffer fails.
template <typename Emit, typename Raw>
void cutPage(const char* startFormat, uint64_t width, uint64_t height, uint64_t bytesWidth, const uint8_t* bits,
             const JobSettings* s, Emit emit, Raw raw) {
    if (width == 0 || bytesWidth == 0) return;  // no dots, nothing to send
    const uint64_t allBytes = bytesWidth * height;
    const uint64_t bound = compressBound(static_cast<uLong>(allBytes));
    std::vector<uint8_t> work;
    const bool haveWork = tryAssign(work, bound);
    writeLogString(startFormat, static_cast<int>(allBytes), static_cast<long>(bound), haveWork ? 0 : 1);
    if (!haveWork) {
        writeLogString("no work buffer for compression, page sent uncompressed");
        raw(0);
        return;
    }
    uint64_t bytesDone = 0;
    uint64_t remaining = height;
    do {
        writeLogString("===== start =====");
        uint64_t clen = bound;
        const uint64_t cut = getCutImageLength(width, remaining, bits + bytesDone, work.data(), &clen, s);
        writeLogString("cut image length:cutLength = %ld / allBytes = %d / compressByteLength = %ld ",
                       static_cast<long>(cut), static_cast<int>(allBytes), static_cast<long>(clen));
        if (clen == 0 || !emit(bytesDone, cut, work.data(), clen)) {
            writeLogString("compression failed, rest of the page sent uncompressed");
            raw(bytesDone);
            return;
        }
        bytesDone += cut;
        remaining -= cut / bytesWidth;
    } while (bytesDone < allBytes);
}

}  // namespace

void TSPL_Zlib_CutImage(DynamicArray* out, uint64_t width, uint64_t height, uint64_t bytesWidth, const uint8_t* bits,
                        const JobSettings* settings) {
    const JobSettings* s = settings;
    // Strips are whole rows of the one-bit page: a dot width that is not
    // bytesWidth * 8 (not a multiple of 8) would size them past the page's end.
    width = bytesWidth * 8;
    auto emit = [&](uint64_t done, uint64_t cut, const uint8_t* zipped, uint64_t clen) {
        char head[160];
        std::snprintf(head, sizeof head, "BITMAP %d,%ld,%d,%d,3,%d,", s->horizontal,
                      static_cast<long>(stripY(s, done, width)), static_cast<int>(bytesWidth),
                      static_cast<int>(cut / bytesWidth), static_cast<int>(clen));
        writeLogString("%s", head);
        dynamic_array_push_more_data(out, head, static_cast<int64_t>(std::strlen(head)));
        dynamic_array_push_more_data(out, zipped, static_cast<int64_t>(clen));
        appendText(out, "\r\n");
        return true;
    };
    auto raw = [&](uint64_t done) {
        appendTsplRawBitmap(out, s->horizontal, stripY(s, done, width), bytesWidth, height - done / bytesWidth,
                            bits + done);
    };
    cutPage("start allBytes = %d/ compressByteLength = %ld / compressData == NULL ? %d ", width, height, bytesWidth,
            bits, settings, emit, raw);
}

void ZPL_Zlib_CutImage(DynamicArray* out, uint64_t width, uint64_t height, uint64_t bytesWidth, const uint8_t* bits,
                       const JobSettings* settings) {
    const JobSettings* s = settings;
    // Strips are whole rows of the one-bit page: a dot width that is not
    // bytesWidth * 8 (not a multiple of 8) would size them past the page's end.
    width = bytesWidth * 8;
    auto emit = [&](uint64_t done, uint64_t cut, const uint8_t* zipped, uint64_t clen) {
        const uint64_t base64Len = 4 * ((clen + 2) / 3);
        std::vector<uint8_t> text;
        if (!tryAssign(text, base64Len)) return false;
        writeLogString("base64Len == %d", static_cast<int>(base64Len));
        Base64Encode(zipped, clen, reinterpret_cast<char*>(text.data()));
        const uint16_t crc = CRC16(text.data(), base64Len);
        writeLogString("crc %ld", static_cast<long>(crc));
        appendText(out, "^FO%d,%d,0\r\n", s->horizontal, static_cast<int>(stripY(s, done, width)));
        appendText(out, "^GFA,%d,%d,%d,", static_cast<int>(cut), static_cast<int>(cut), static_cast<int>(bytesWidth));
        appendText(out, ":Z64:");
        dynamic_array_push_more_data(out, text.data(), static_cast<int64_t>(base64Len));
        appendText(out, ":%04X\r\n", static_cast<unsigned>(crc));
        return true;
    };
    auto raw = [&](uint64_t done) {
        appendZplHexField(out, s->horizontal, stripY(s, done, width), bytesWidth, height - done / bytesWidth,
                          bits + done);
    };
    cutPage("start:allBytes = %d/ compressByteLength = %ld / compressData == NULL ? %d ", width, height, bytesWidth,
            bits, settings, emit, raw);
}
