// Older grey-to-black-and-white conversions and the Atkinson dither of 32-bit pixels.
#include "image/device/legacy_bw.h"

#include "image/gray2bytes.h"  // the clustered-dot screen of the row conversion

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

// 8x8 Bayer index matrix, row = y mod 8, column = x mod 8: the row conversion's
// OrderedBayer8 with its unchanged first entry 0.
constexpr uint8_t kBayer8[8][8] = {
    {0, 48, 12, 60, 3, 51, 15, 63},   {32, 16, 44, 28, 35, 19, 47, 31}, {8, 56, 4, 52, 11, 59, 7, 55},
    {40, 24, 36, 20, 43, 27, 39, 23}, {2, 50, 14, 62, 1, 49, 13, 61},   {34, 18, 46, 30, 33, 17, 45, 29},
    {10, 58, 6, 54, 9, 57, 5, 53},    {42, 26, 38, 22, 41, 25, 37, 21},
};

bool blackByTable(int32_t mode, uint8_t v, int32_t x, int32_t y) {
    switch (mode) {
        case BitmapDiffuse:
        case wartermarkBitmapDiffuse: return v / 4 < kBayer8[y & 7][x & 7];
        case BitmapFocuse: return v / 4 < ClusteredDot8[y & 7][x & 7];
        default: return v < 143;
    }
}

// Error diffusion at threshold 127, shares over 16: right 3, below-left 7,
// below 5, below-right 1.
void diffuse(const uint8_t* grey, uint8_t* out, size_t count, int32_t width, int32_t height) {
    std::vector<int32_t> work(grey, grey + count);
    const size_t w = static_cast<size_t>(width);
    for (size_t i = 0; i < count; ++i) {
        const size_t x = i % w;
        const bool white = work[i] > 127;
        const int32_t error = work[i] - (white ? 255 : 0);
        if (!white) out[i] = 0;
        if (x + 1 < w && i + 1 < count) work[i + 1] += error * 3 / 16;
        if (i / w + 1 >= static_cast<size_t>(height)) continue;
        const size_t below = i + w;
        if (x > 0 && below - 1 < count) work[below - 1] += error * 7 / 16;
        if (below < count) work[below] += error * 5 / 16;
        if (x + 1 < w && below + 1 < count) work[below + 1] += error * 1 / 16;
    }
}

}  // namespace

uint8_t* Gray2SingleColor(const uint8_t* grey, uint32_t size, int32_t width, int32_t height, int32_t mode) {
    if (grey == nullptr || size == 0) return nullptr;
    auto* out = static_cast<uint8_t*>(std::malloc(size));
    if (out == nullptr) return nullptr;
    std::memset(out, 255, size);
    if (width <= 0 || height <= 0) return out;
    const size_t count = std::min<size_t>(size, static_cast<size_t>(width) * static_cast<size_t>(height));
    if (mode == BitmapErrorDisffusion) {
        try {
            diffuse(grey, out, count, width, height);
        } catch (const std::bad_alloc&) {
            std::free(out);
            return nullptr;
        }
        return out;
    }
    for (size_t i = 0; i < count; ++i) {
        const int32_t x = static_cast<int32_t>(i % static_cast<size_t>(width));
        const int32_t y = static_cast<int32_t>(i / static_cast<size_t>(width));
        if (blackByTable(mode, grey[i], x, y)) out[i] = 0;
    }
    return out;
}

namespace {

struct AtkinsonPlane {
    std::vector<float> c;  // three channels per pixel
    int32_t width;
    int32_t height;
    void add(int32_t x, int32_t y, const float* share) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        float* p = &c[3 * (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x))];
        for (int k = 0; k < 3; ++k) p[k] += share[k];
    }
};

void atkinsonPixel(AtkinsonPlane& plane, uint8_t* out, int32_t x, int32_t y, int32_t dir) {
    const size_t i = static_cast<size_t>(y) * static_cast<size_t>(plane.width) + static_cast<size_t>(x);
    float* p = &plane.c[3 * i];
    for (int k = 0; k < 3; ++k) p[k] = std::clamp(p[k], 0.0f, 255.0f);
    const bool black = 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2] < 128.0f;
    const float level = black ? 0.0f : 255.0f;
    float share[3];
    for (int k = 0; k < 3; ++k) {
        share[k] = (p[k] - level) / 8.0f;
        out[4 * i + k] = black ? 0 : 255;
    }
    plane.add(x + dir, y, share);
    plane.add(x + 2 * dir, y, share);
    plane.add(x - 1, y + 1, share);
    plane.add(x, y + 1, share);
    plane.add(x + 1, y + 1, share);
    plane.add(x, y + 2, share);
}

}  // namespace

void atkinsonDither(const uint8_t* argb, int32_t width, int32_t height, uint8_t* out) {
    if (argb == nullptr || out == nullptr || width <= 0 || height <= 0) return;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (argb != out) std::memmove(out, argb, 4 * n);
    AtkinsonPlane plane{{}, width, height};
    try {
        plane.c.resize(3 * n);
    } catch (const std::bad_alloc&) {
        return;  // the copy stays undithered
    }
    for (size_t i = 0; i < n; ++i) {
        for (int k = 0; k < 3; ++k) plane.c[3 * i + k] = out[4 * i + k];
    }
    for (int32_t y = 0; y < height; ++y) {
        const bool forward = (y & 1) == 0;
        for (int32_t step = 0; step < width; ++step) {
            atkinsonPixel(plane, out, forward ? step : width - 1 - step, y, forward ? 1 : -1);
        }
    }
}
