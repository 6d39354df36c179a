// The dither for bands judged text: Stucki weights (8 4 / 2 4 8 4 2 /
// 1 2 4 2 1, over 42) in integer arithmetic with a threshold of 130, which
// keeps strokes solid and edges crisp. Shares that would leave the band are
// dropped. A rolling window of three rows (two margin columns each side)
// holds the work values.
#include <algorithm>
#include <cstddef>
#include <new>
#include <optional>
#include <vector>

#include "image/processing_chains.h"

namespace {

constexpr size_t kMargin = 2;
constexpr uint32_t kRows = 3;

// The error shares of one row's pixels, divided with truncation, with two
// empty entries on each side.
struct RowShares {
    std::vector<int32_t> e8, e4, e21, e42;  // e * 8 / 42, e * 4 / 42, e / 21, e / 42
    explicit RowShares(size_t width) : e8(width + 4), e4(width + 4), e21(width + 4), e42(width + 4) {}
};

// One row: the two values ahead on the row are carried in registers, each
// pixel's shares are kept, and the two rows below receive them in one pass
// afterwards. Whole-number sums don't depend on their order, so every value
// is the one the pixel-by-pixel spreading gives.
void ditherRow(int32_t* row0, int32_t* row1, int32_t* row2, uint8_t* out, size_t width, RowShares& shares) {
    int32_t* e8 = shares.e8.data() + 2;
    int32_t* e4 = shares.e4.data() + 2;
    int32_t* e21 = shares.e21.data() + 2;
    int32_t* e42 = shares.e42.data() + 2;
    int32_t ahead1 = row0[kMargin];
    int32_t ahead2 = row0[kMargin + 1];
    for (size_t x = 0; x < width; ++x) {
        const int32_t value = ahead1;
        const bool black = value <= 130;
        out[x] = black ? 0 : 255;
        const int32_t e = black ? value : value - 255;
        e8[x] = e * 8 / 42;
        e4[x] = e * 4 / 42;
        e21[x] = e;  // divided below, off the row's chain
        ahead1 = ahead2 + e8[x];
        ahead2 = row0[x + kMargin + 2] + e4[x];
    }
    for (size_t x = 0; x < width; ++x) {
        e42[x] = e21[x] / 42;
        e21[x] = e21[x] / 21;
    }
    // Shares into the margins are dropped with the window: only the row's own
    // values below are summed.
    int32_t* below1 = row1 + kMargin;
    int32_t* below2 = row2 + kMargin;
    const auto count = static_cast<ptrdiff_t>(width);
    for (ptrdiff_t x = 0; x < count; ++x) {
        below1[x] += e21[x - 2] + e4[x - 1] + e8[x] + e4[x + 1] + e21[x + 2];
        below2[x] += e42[x - 2] + e21[x - 1] + e4[x] + e21[x + 1] + e42[x + 2];
    }
}

}  // namespace

int32_t KVImageTextImageDither(KVImage* band) {
    if (band == nullptr || band->gray == nullptr || kvImagePixelCount(band->width, band->height) == 0) return 1;
    const size_t width = band->width;
    const size_t stride = width + 2 * kMargin;
    std::vector<int32_t> window;
    std::optional<RowShares> shares;
    try {
        window.resize(stride * kRows);
        shares.emplace(width);
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
        ditherRow(row0, row1, row2, band->gray + static_cast<size_t>(y) * width, width, *shares);
    }
    return 0;
}
