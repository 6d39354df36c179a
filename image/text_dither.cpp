// The dither for bands judged text: Stucki weights (8 4 / 2 4 8 4 2 /
// 1 2 4 2 1, over 42) in integer arithmetic with a threshold of 130, which
// keeps strokes solid and edges crisp. Shares that would leave the band are
// dropped. A rolling window of three rows (two margin columns each side)
// holds the work values.
#include <algorithm>
#include <new>
#include <vector>

#include "image/processing_chains.h"

namespace {

constexpr size_t kMargin = 2;
constexpr uint32_t kRows = 3;

// Spreads the error of the pixel at window column c (margin included).
inline void spreadError(int32_t e, int32_t* row0, int32_t* row1, int32_t* row2, size_t c) {
    row0[c + 1] += e * 8 / 42;
    row0[c + 2] += e * 4 / 42;
    row1[c - 2] += e / 21;
    row1[c - 1] += e * 4 / 42;
    row1[c] += e * 8 / 42;
    row1[c + 1] += e * 4 / 42;
    row1[c + 2] += e / 21;
    row2[c - 2] += e / 42;
    row2[c - 1] += e / 21;
    row2[c] += e * 4 / 42;
    row2[c + 1] += e / 21;
    row2[c + 2] += e / 42;
}

}  // namespace

int32_t KVImageTextImageDither(KVImage* band) {
    if (band == nullptr || band->gray == nullptr || kvImagePixelCount(band->width, band->height) == 0) return 1;
    const size_t width = band->width;
    const size_t stride = width + 2 * kMargin;
    std::vector<int32_t> window;
    try {
        window.resize(stride * kRows);
    } catch (const std::bad_alloc&) {
        return 2;
    }
    auto rowOf = [&](uint32_t y) { return window.data() + (y % kRows) * stride; };
    auto load = [&](uint32_t y) {
        int32_t* row = rowOf(y);
        std::fill(row, row + stride, 0);
        if (y >= band->height) return;
        const uint8_t* gray = band->gray + static_cast<size_t>(y) * width;
        for (size_t x = 0; x < width; ++x) row[x + kMargin] = gray[x];
    };
    load(0);
    load(1);
    for (uint32_t y = 0; y < band->height; ++y) {
        load(y + 2);
        int32_t* row0 = rowOf(y);
        int32_t* row1 = rowOf(y + 1);
        int32_t* row2 = rowOf(y + 2);
        uint8_t* out = band->gray + static_cast<size_t>(y) * width;
        for (size_t x = 0; x < width; ++x) {
            const size_t c = x + kMargin;
            const int32_t value = row0[c];
            const bool black = value <= 130;
            out[x] = black ? 0 : 255;
            spreadError(black ? value : value - 255, row0, row1, row2, c);
        }
    }
    return 0;
}
