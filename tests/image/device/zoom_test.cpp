// Bicubic zoom: kernel, lightening, white outside the page, and the row-cached
// path against the plain per-pixel formula.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "image/device/zoom.h"

namespace {

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};
using Owned = std::unique_ptr<uint8_t, FreeDeleter>;

float sourcePos(uint32_t i, uint32_t src, uint32_t dst) {
    return static_cast<float>((i + 0.4999999) * src / dst - 0.5);
}

}  // namespace

TEST(Zoom, KernelWeights) {
    const struct {
        double t, w;
    } cases[] = {{0, 1}, {0.5, 0.625}, {-0.5, 0.625}, {1, 0}, {1.5, -0.125}, {2, 0}, {2.5, 0}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(SinXDivX(c.t), c.w) << c.t;
}

TEST(Zoom, SameSizeLightensUniformGreyBy15) {
    const struct { uint8_t in, out; } cases[] = {{100, 115}, {0, 15}, {240, 255}, {250, 255}};
    for (const auto& c : cases) {
        std::vector<uint8_t> page(12 * 10, c.in);
        Owned out(bitmapZoom(page.data(), 12, 10, 12, 10));
        ASSERT_TRUE(out);
        EXPECT_EQ(out.get()[5 * 12 + 6], c.out) << int(c.in);
    }
}

TEST(Zoom, OutsideThePageCountsAsWhite) {
    // Enlarging a black page: the first column and row take in white samples
    // from beyond the edge; the inside stays at 0 + 15.
    std::vector<uint8_t> page(20 * 20, 0);
    Owned out(bitmapZoom(page.data(), 20, 20, 40, 40));
    ASSERT_TRUE(out);
    EXPECT_EQ(out.get()[20 * 40 + 20], 15);
    EXPECT_GT(out.get()[0], 60);
    EXPECT_GT(out.get()[20 * 40 + 39], 60);
    EXPECT_GT(out.get()[39 * 40 + 20], 60);
}

TEST(Zoom, RowCachedPathMatchesPerPixelFormula) {
    std::mt19937 rng(7);
    const struct {
        uint32_t sw, sh, dw, dh;
    } sizes[] = {{37, 23, 37, 23}, {37, 23, 11, 9}, {13, 7, 50, 31}, {100, 3, 7, 40}, {1, 1, 5, 5}, {64, 48, 63, 49}};
    for (const auto& s : sizes) {
        std::vector<uint8_t> page(size_t{s.sw} * s.sh);
        for (auto& v : page) v = static_cast<uint8_t>(rng());
        Owned out(bitmapZoom(page.data(), s.sw, s.sh, s.dw, s.dh));
        ASSERT_TRUE(out);
        const PicRegion src{page.data(), s.sw, s.sw, s.sh};
        for (uint32_t y = 0; y < s.dh; ++y) {
            for (uint32_t x = 0; x < s.dw; ++x) {
                uint8_t expected = 0;
                ThreeOrder0(src, &expected, sourcePos(x, s.sw, s.dw), sourcePos(y, s.sh, s.dh));
                ASSERT_EQ(out.get()[y * s.dw + x], expected)
                    << s.sw << "x" << s.sh << "->" << s.dw << "x" << s.dh << " at " << x << "," << y;
            }
        }
    }
}

TEST(Zoom, KernelWeightsAreKeptInSinglePrecision) {
    // The weights are rounded to float before they meet the samples; with
    // double weights the centre pixel here would come out one level off.
    std::vector<uint8_t> page(6 * 6);
    for (uint32_t y = 0; y < 6; ++y) {
        for (uint32_t x = 0; x < 6; ++x) page[y * 6 + x] = static_cast<uint8_t>((x * 37 + y * 91) % 256);
    }
    Owned out(bitmapZoom(page.data(), 6, 6, 4, 4));
    ASSERT_TRUE(out);
    const std::vector<uint8_t> expected = {0, 76, 154, 137, 210, 92, 101, 67, 0, 124, 180, 161, 195, 86, 81, 57};
    EXPECT_EQ(std::vector<uint8_t>(out.get(), out.get() + 16), expected);
}

TEST(Zoom, EmptySizesGiveNothing) {
    std::vector<uint8_t> page(4, 0);
    EXPECT_EQ(bitmapZoom(page.data(), 2, 2, 0, 3), nullptr);
    EXPECT_EQ(bitmapZoom(page.data(), 0, 2, 3, 3), nullptr);
    EXPECT_EQ(bitmapZoom(nullptr, 2, 2, 3, 3), nullptr);
    std::vector<uint8_t> dst(4, 7);
    PicZoom_ThreeOrder0(PicRegion{dst.data(), 2, 2, 2}, PicRegion{page.data(), 2, 0, 2});
    EXPECT_EQ(dst, std::vector<uint8_t>(4, 7));
}
