// CLAHE: refusals leave the plane alone, a hand-worked case, region fitting.
#include <gtest/gtest.h>

#include <vector>

#include "image/device/clahe.h"

namespace {

// Left half black, right half white.
std::vector<uint8_t> halves(uint32_t w, uint32_t h) {
    std::vector<uint8_t> p(size_t{w} * h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) p[y * w + x] = x < w / 2 ? 0 : 255;
    }
    return p;
}

std::vector<uint8_t> replaced(std::vector<uint8_t> p, uint8_t from, uint8_t to) {
    for (auto& v : p) v = v == from ? to : v;
    return p;
}

}  // namespace

TEST(Clahe, RefusalsLeaveThePlaneUnchanged) {
    const struct {
        uint32_t w, h, nx, ny;
        uint8_t min, max;
        float clip;
        int result;
    } cases[] = {
        {1, 4, 2, 2, 0, 255, 5, -1}, {4, 1, 2, 2, 0, 255, 5, -2},   {5, 4, 2, 2, 0, 255, 5, -3},
        {4, 5, 2, 2, 0, 255, 5, -4}, {4, 4, 2, 2, 9, 9, 5, -6},     {4, 4, 1, 2, 0, 255, 5, -7},
        {4, 4, 2, 0, 0, 255, 5, -7}, {4, 4, 2, 2, 0, 255, 1.0f, 0},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> plane = halves(c.w, c.h);
        const std::vector<uint8_t> before = plane;
        EXPECT_EQ(CLAHE(plane.data(), c.w, c.h, c.min, c.max, c.nx, c.ny, 128, c.clip), c.result)
            << c.w << "x" << c.h << " regions " << c.nx << "x" << c.ny;
        EXPECT_EQ(plane, before);
    }
}

TEST(Clahe, ClippedHistogramOfFlatRegions) {
    // 2 x 2 regions of 4 pixels, 128 bins: the clip limit is 5 x 4 / 128 -> 1,
    // so the 3 surplus counts of a flat region go to bins 42, 84 and 126 and
    // black maps to 1 x 255 / 4 = 63. White stays white (all 4 counts below it).
    std::vector<uint8_t> plane = halves(4, 4);
    ASSERT_EQ(CLAHE(plane.data(), 4, 4, 0, 255, 2, 2, 128, 5.0f), 0);
    EXPECT_EQ(plane, replaced(halves(4, 4), 0, 63));
    // Without clipping (factor 0: limit 16384) it is plain equalisation: black -> 255.
    plane = halves(4, 4);
    ASSERT_EQ(CLAHE(plane.data(), 4, 4, 0, 255, 2, 2, 128, 0.0f), 0);
    EXPECT_EQ(plane, std::vector<uint8_t>(16, 255));
}

TEST(Clahe, OddRegionSizesCoverEveryPixel) {
    // Regions of 3 x 3: limit 1, black maps to 1 x 255 / 9 = 28 everywhere,
    // the last row and column included.
    std::vector<uint8_t> plane = halves(6, 6);
    ASSERT_EQ(CLAHE(plane.data(), 6, 6, 0, 255, 2, 2, 128, 5.0f), 0);
    EXPECT_EQ(plane, replaced(halves(6, 6), 0, 28));
}

TEST(Clahe, OneBinSpansTheWholeRange) {
    // A single bin over 0..255 (bin size 256) must not divide by zero.
    std::vector<uint8_t> plane = halves(4, 4);
    EXPECT_EQ(CLAHE(plane.data(), 4, 4, 0, 255, 2, 2, 1, 5.0f), 0);
}

TEST(Clahe, HeightenHistogramFitsTheRegionCount) {
    // Width 10 with 3 regions asked: 5 regions across.
    std::vector<uint8_t> src(10 * 4);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 5 % 200 + 20);
    std::vector<uint8_t> dst(src.size()), direct = src;
    EXPECT_EQ(imageHeightenHistogram(src.data(), dst.data(), 10, 4, 3, 2, 128, 5), 0);
    ASSERT_EQ(CLAHE(direct.data(), 10, 4, 20, 215, 5, 2, 128, 5.0f), 0);
    EXPECT_EQ(dst, direct);
    EXPECT_NE(dst, src);
    // Width 7 with 2 asked: no count below 7 divides it, 2 is kept and refused.
    std::vector<uint8_t> seven(7 * 4), out7(7 * 4, 1);
    for (size_t i = 0; i < seven.size(); ++i) seven[i] = static_cast<uint8_t>(i * 9);
    EXPECT_EQ(imageHeightenHistogram(seven.data(), out7.data(), 7, 4, 2, 2, 128, 5), -3);
    EXPECT_EQ(out7, seven);
    // A uniform plane: Min is not below Max.
    std::vector<uint8_t> flat(8 * 8, 77), outFlat(8 * 8, 0);
    EXPECT_EQ(imageHeightenHistogram(flat.data(), outFlat.data(), 8, 8, 2, 2, 128, 5), -6);
    EXPECT_EQ(outFlat, flat);
}

TEST(Clahe, RgbChannelsAreEnhancedSeparately) {
    // Red carries the halves pattern, green and blue are flat (and refused).
    const std::vector<uint8_t> red = halves(4, 4);
    std::vector<uint8_t> rgb;
    for (uint8_t r : red) rgb.insert(rgb.end(), {r, 40, 90});
    std::vector<uint8_t> work(6 * 16, 0);
    rgbHeightenHistogram(rgb.data(), work.data(), 4, 4, 2, 2, 128, 5);
    const std::vector<uint8_t> expectedRed = replaced(red, 0, 63);
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(work[3 * i], expectedRed[i]);
        EXPECT_EQ(work[3 * i + 1], 40);
        EXPECT_EQ(work[3 * i + 2], 90);
    }
}
