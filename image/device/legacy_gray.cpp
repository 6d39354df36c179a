// Older grey conversions and the randomised Floyd-Steinberg dither of the
// device print path. Pixels are four bytes A, R, G, B.
#include "image/device/legacy_gray.h"

#include <algorithm>
#include <cstring>

#include "base/seams.h"

namespace {

// The three weighted channel products, one table per channel. Each entry is
// the same double product the per-pixel formula forms, so the sums stay
// bit-identical.
struct GrayProducts {
    double r[256];
    double g[256];
    double b[256];
    GrayProducts() {
        for (int v = 0; v < 256; ++v) {
            r[v] = 0.3 * v;
            g[v] = 0.59 * v;
            b[v] = 0.11 * v;
        }
    }
};

const GrayProducts& products() {
    static const GrayProducts table;
    return table;
}

bool validSize(int32_t width, int32_t height) { return width > 0 && height > 0; }

size_t pixelCount(int32_t width, int32_t height) { return static_cast<size_t>(width) * static_cast<size_t>(height); }

uint8_t clampByte(int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// Adds factor x error to bytes 3, 2, 1 of one pixel, as getPixel then setPixel do.
void spreadError(uint8_t* pixel, const int32_t* error, float factor) {
    for (int k = 0; k < 3; ++k) {
        const int32_t share = static_cast<int32_t>(static_cast<float>(error[k]) * factor);
        pixel[3 - k] = clampByte(pixel[3 - k] + share);
    }
}

// spreadError on one colour byte.
void spreadGrayError(uint8_t* pixel, int32_t error, float factor) {
    *pixel = clampByte(*pixel + static_cast<int32_t>(static_cast<float>(error) * factor));
}

}  // namespace

uint8_t argbGrayValue(const uint8_t* pixel) {
    const GrayProducts& p = products();
    const double sum = p.r[pixel[1]] + p.g[pixel[2]] + p.b[pixel[3]];
    return static_cast<uint8_t>(std::min(sum, 255.0));
}

void gray(const uint8_t* argb, int32_t width, int32_t height, uint8_t* out) {
    if (argb == nullptr || out == nullptr || !validSize(width, height)) return;
    const size_t n = pixelCount(width, height);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* s = argb + 4 * i;
        uint8_t* d = out + 4 * i;
        const uint8_t g = argbGrayValue(s);
        d[0] = s[0];
        d[1] = g;
        d[2] = g;
        d[3] = g;
    }
}

void argb2SingleGray(const uint8_t* argb, int32_t width, int32_t height, uint8_t* out) {
    if (argb == nullptr || out == nullptr || !validSize(width, height)) return;
    const size_t n = pixelCount(width, height);
    for (size_t i = 0; i < n; ++i) out[i] = argbGrayValue(argb + 4 * i);
}

int32_t grayRGBA2SingleColor(const uint8_t* argb, int32_t width, int32_t height, uint8_t* out, uint8_t threshold) {
    if (argb == nullptr || out == nullptr || !validSize(width, height)) return 0;
    const int32_t rowBytes = (width + 7) / 8;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = argb + 4 * static_cast<size_t>(y) * static_cast<size_t>(width);
        uint8_t* dst = out + static_cast<size_t>(y) * static_cast<size_t>(rowBytes);
        for (int32_t x = 0; x < width; ++x) {
            if (src[4 * x + 1] <= threshold) dst[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
        }
    }
    return rowBytes;
}

int getNearstColor(uint8_t c3, uint8_t c2, uint8_t c1) {
    const int32_t dBlack = static_cast<int32_t>(static_cast<double>(c3 * c3) + c2 * c2 + c1 * c1);
    const int32_t w3 = 255 - c3;
    const int32_t w2 = 255 - c2;
    const int32_t w1 = 255 - c1;
    const int32_t dWhite = static_cast<int32_t>(static_cast<double>(w3 * w3) + w2 * w2 + w1 * w1);
    float jitter = static_cast<float>(kvRand() % 1000) / 5000.0f - 0.1f;
    // Colours about halfway between black and white get twice the jitter.
    const float share = static_cast<float>(dBlack) / static_cast<float>(dBlack + dWhite);
    if (share > 0.4f && share < 0.6f) jitter *= 2.0f;
    const bool black = static_cast<float>(dBlack) * (1.0f + jitter) < static_cast<float>(dWhite) * (1.0f - jitter);
    return black ? 0 : 1;
}

uint32_t getPixel(const uint8_t* image, int32_t width, int32_t height, int32_t row, int32_t column,
                  const int32_t* error, float factor) {
    if (image == nullptr || row < 0 || column < 0 || row >= height || column >= width) return 0xFFFFFFFFu;
    uint8_t pixel[4];
    std::memcpy(pixel, image + 4 * (static_cast<size_t>(row) * static_cast<size_t>(width) + column), 4);
    spreadError(pixel, error, factor);
    return (uint32_t{pixel[3]} << 24) | (uint32_t{pixel[2]} << 16) | (uint32_t{pixel[1]} << 8) | pixel[0];
}

void setPixel(uint8_t* image, int32_t width, int32_t height, int32_t row, int32_t column, uint32_t value) {
    if (image == nullptr || row < 0 || column < 0 || row >= height || column >= width) return;
    uint8_t* pixel = image + 4 * (static_cast<size_t>(row) * static_cast<size_t>(width) + column);
    pixel[0] = static_cast<uint8_t>(value);
    pixel[1] = static_cast<uint8_t>(value >> 8);
    pixel[2] = static_cast<uint8_t>(value >> 16);
    pixel[3] = static_cast<uint8_t>(value >> 24);
}

int64_t dither(const uint8_t* source, int32_t width, int32_t height, uint8_t* out) {
    if (source == nullptr || out == nullptr || !validSize(width, height)) return 0;
    const size_t n = pixelCount(width, height);
    if (source != out) std::memmove(out, source, 4 * n);
    // Floyd-Steinberg shares: right 7/16, below 5/16, below-left 3/16, below-right 1/16.
    const size_t w = static_cast<size_t>(width);
    for (size_t i = 0; i < n; ++i) {
        const size_t row = i / w;
        const size_t column = i % w;
        uint8_t* p = out + 4 * i;
        const uint8_t c3 = p[3], c2 = p[2], c1 = p[1];
        const bool white = getNearstColor(c3, c2, c1) == 1;
        const uint8_t level = white ? 255 : 0;
        const int32_t error[3] = {c3 - level, c2 - level, c1 - level};
        p[0] = 255;
        p[1] = p[2] = p[3] = level;
        const bool hasRight = column + 1 < w;
        if (hasRight) spreadError(p + 4, error, 0.4375f);
        if (row + 1 < static_cast<size_t>(height)) {
            uint8_t* below = p + 4 * w;
            spreadError(below, error, 0.3125f);
            if (column > 0) spreadError(below - 4, error, 0.1875f);
            if (hasRight) spreadError(below + 4, error, 0.0625f);
        }
    }
    return static_cast<int64_t>(n);
}

int64_t ditherGray(uint8_t* grey, int32_t width, int32_t height) {
    if (grey == nullptr || !validSize(width, height)) return 0;
    const size_t n = pixelCount(width, height);
    const size_t w = static_cast<size_t>(width);
    for (size_t i = 0; i < n; ++i) {
        const size_t row = i / w;
        const size_t column = i % w;
        uint8_t* p = grey + i;
        const uint8_t c = *p;
        const uint8_t level = getNearstColor(c, c, c) == 1 ? 255 : 0;
        const int32_t error = c - level;
        *p = level;
        const bool hasRight = column + 1 < w;
        if (hasRight) spreadGrayError(p + 1, error, 0.4375f);
        if (row + 1 < static_cast<size_t>(height)) {
            uint8_t* below = p + w;
            spreadGrayError(below, error, 0.3125f);
            if (column > 0) spreadGrayError(below - 1, error, 0.1875f);
            if (hasRight) spreadGrayError(below + 1, error, 0.0625f);
        }
    }
    return static_cast<int64_t>(n);
}
