// Bitmap front end of the older decolourisation: palette, 1-, 4-, 8-, 24- and
// 32-bit rows to one grey byte per pixel, with the "light" brightening.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "image/device/legacy_decolor.h"

namespace {

struct BitmapIn {
    const uint8_t* pixels;
    size_t rowLength;
    const uint8_t* palette;
    int32_t paletteCount;
    int32_t width;
    int32_t height;
    int add;  // trunc(light x 255)
};

uint8_t clampByte(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// Grey of the first (at most 16) palette entries, weights on bytes 0, 1, 2;
// values strictly between black and white are brightened. Missing entries are white.
void buildGrayTable(const BitmapIn& in, uint8_t table[16]) {
    std::fill(table, table + 16, uint8_t{255});
    const int32_t count = in.palette == nullptr ? 0 : std::min(in.paletteCount, 16);
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* e = in.palette + 4 * i;
        uint8_t g = static_cast<uint8_t>(0.299 * e[0] + 0.587 * e[1] + 0.114 * e[2]);
        if (g > 0 && g < 255) g = clampByte(g + in.add);
        table[i] = g;
    }
}

// Palette index of pixel x of a row at 1, 4 or 8 bits per pixel (most significant first).
uint32_t indexAt(const uint8_t* row, int32_t x, int bits) {
    if (bits == 8) return row[x];
    if (bits == 4) return (x & 1) == 0 ? row[x >> 1] >> 4 : row[x >> 1] & 0x0F;
    return (row[x >> 3] >> (7 - (x & 7))) & 1u;
}

// Palette pixels expanded to 3-byte pixels (palette bytes 2, 1, 0) and decolourised.
bool expandAndConvert(const BitmapIn& in, int bits, uint8_t* out) {
    const size_t w = static_cast<size_t>(in.width);
    std::vector<uint8_t> rgb(w * 3 * static_cast<size_t>(in.height), 255);
    for (int32_t y = 0; y < in.height; ++y) {
        const uint8_t* row = in.pixels + static_cast<size_t>(y) * in.rowLength;
        uint8_t* dst = rgb.data() + static_cast<size_t>(y) * w * 3;
        for (int32_t x = 0; x < in.width; ++x) {
            const uint32_t idx = indexAt(row, x, bits);
            if (in.palette == nullptr || idx >= static_cast<uint32_t>(std::max(in.paletteCount, 0))) continue;
            const uint8_t* e = in.palette + 4 * idx;
            dst[3 * x] = e[2];
            dst[3 * x + 1] = e[1];
            dst[3 * x + 2] = e[0];
        }
    }
    return RealTimeRGB2gray(in.height, in.width, in.width * 3, rgb.data(), 24, out) == 1;
}

void lookUp(const BitmapIn& in, int bits, const uint8_t table[16], uint8_t* out) {
    for (int32_t y = 0; y < in.height; ++y) {
        const uint8_t* row = in.pixels + static_cast<size_t>(y) * in.rowLength;
        for (int32_t x = 0; x < in.width; ++x)
            out[static_cast<size_t>(y) * in.width + x] = table[indexAt(row, x, bits)];
    }
}

size_t rowBytesNeeded(int32_t depth, int32_t width) {
    const size_t w = static_cast<size_t>(width);
    switch (depth) {
        case kDepth32Bit: return w * 4;
        case kDepth24Bit: return w * 3;
        case kDepth8Bit: return w;
        case kDepth4Bit: return (w + 1) / 2;
        case kDepth1Bit: return (w + 7) / 8;
        default: return 0;
    }
}

// Converts by depth code; true when a decolourisation reported success.
bool convertByDepth(const BitmapIn& in, int32_t depth, int32_t flat, float light, uint8_t* out) {
    const int32_t rowLen = static_cast<int32_t>(in.rowLength);
    uint8_t table[16];
    buildGrayTable(in, table);
    switch (depth) {
        case kDepth32Bit: return RealTimeRGB2gray(in.height, in.width, rowLen, in.pixels, 32, out) == 1;
        case kDepth24Bit:
            if (isExistMultiformat) return RealTimeRGB2gray(in.height, in.width, rowLen, in.pixels, 24, out) == 1;
            return RealTimeRGB2grayAddlight(in.height, in.width, rowLen, in.pixels, 24, out, light) == 1;
        case kDepth8Bit: isExistMultiformat = true; return expandAndConvert(in, 8, out);
        case kDepth1Bit: {
            isExistMultiformat = true;
            const uint8_t flatTable[16] = {0, 255};
            const uint8_t two[16] = {table[0], table[1]};
            lookUp(in, 1, flat != 0 ? flatTable : two, out);
            return false;
        }
        case kDepth4Bit:
            isExistMultiformat = true;
            if (flat != 0) return expandAndConvert(in, 4, out);
            lookUp(in, 4, table, out);
            return false;
        default: return false;
    }
}

}  // namespace

uint8_t* RGB2Gray(const uint8_t* pixels, int32_t length, const uint8_t* palette, int32_t paletteCount, int32_t depth,
                  int32_t width, int32_t height, int32_t flat, float light) {
    if (width <= 0 || height <= 0 || pixels == nullptr || length < 0) return nullptr;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    const BitmapIn in{pixels, static_cast<size_t>(length / height), palette, paletteCount, width,
                      height, static_cast<int>(light * 255.0f)};
    if (in.rowLength < rowBytesNeeded(depth, width)) return nullptr;
    auto* out = static_cast<uint8_t*>(std::malloc(n));
    if (out == nullptr) return nullptr;
    std::memset(out, 255, n);
    bool converted = false;
    try {
        converted = convertByDepth(in, depth, flat, light, out);
    } catch (const std::bad_alloc&) {
        std::free(out);
        return nullptr;
    }
    if (flat != 0) {
        for (size_t i = 0; i < n; ++i) out[i] = clampByte(out[i] + in.add);
    } else if ((depth == kDepth24Bit || depth == kDepth32Bit) && converted) {
        for (size_t i = 0; i < n; ++i) {
            if (out[i] == 90) out[i] = clampByte(90 + in.add);
        }
    }
    return out;
}
