// Device binarisation: text/picture rules, band walk, Stucki step, packing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "base/seams.h"
#include "image/device/binarize.h"

namespace {

int g_counter = 0;
int countingRand() { return g_counter++ * 379; }

struct CountingRandom {
    CountingRandom() {
        g_counter = 0;
        setKvRandom(countingRand, nullptr);
    }
    ~CountingRandom() { setKvRandom(nullptr, nullptr); }
};

std::vector<uint8_t> textPage(uint32_t width, uint32_t height) {
    std::vector<uint8_t> page(size_t{width} * height, 255);
    for (uint32_t y = 2; y < height; y += 6) {
        for (uint32_t x = 1; x < width; x += 3) page[size_t{y} * width + x] = 0;
    }
    return page;
}

}  // namespace

TEST(Binarize, TextTestOnPagesAndNull) {
    EXPECT_EQ(isText(textPage(64, 32).data(), 64, 32), 1);
    std::vector<uint8_t> photo(64 * 32);
    for (size_t i = 0; i < photo.size(); ++i) photo[i] = static_cast<uint8_t>(i % 256);
    EXPECT_EQ(isText(photo.data(), 64, 32), 0);
    EXPECT_EQ(isText(nullptr, 4, 4), -1);
    EXPECT_EQ(kv_img2bin(nullptr, 4, 4, 6), -1);
    EXPECT_EQ(kv_imgdiff(nullptr, 4, 4), -1);
    EXPECT_EQ(kv_cq_img2bin(nullptr, 4, 4, 6), -1);
}

TEST(Binarize, PercentagesHoldForPagesBeyond21MillionPixels) {
    // 22 million white pixels: count x 100 no longer fits in 32 bits.
    const uint32_t w = 4800, h = 4600;
    std::vector<uint8_t> page(size_t{w} * h, 255);
    EXPECT_EQ(isText(page.data(), w, h), 1);
}

TEST(Binarize, StuckiThresholdIs130) {
    const struct { uint8_t in, out; } cases[] = {{130, 0}, {131, 255}, {0, 0}, {255, 255}};
    for (const auto& c : cases) {
        uint8_t px = c.in;
        EXPECT_EQ(kv_imgdiff(&px, 1, 1), 0);
        EXPECT_EQ(px, c.out) << int(c.in);
    }
    // 131 goes white and passes -124 on: right -23 (153 -> 130, black),
    // second right -11 (150 -> 139); the 130 then adds 24 to it (163, white).
    std::vector<uint8_t> row = {131, 153, 150};
    kv_imgdiff(row.data(), 3, 1);
    EXPECT_EQ(row, (std::vector<uint8_t>{255, 0, 255}));
}

TEST(Binarize, BandsAreClassifiedOnTheirOwn) {
    // Method 5 diffuses both kinds with the Stucki kernel, so the result is
    // deterministic: a grey picture band, a blank row, a text band.
    const uint32_t w = 16;
    std::vector<uint8_t> page(w * 7, 128);
    for (uint32_t x = 0; x < w; ++x) page[4 * w + x] = 254;  // blank: 253 and above
    for (uint32_t y = 5; y < 7; ++y) {
        for (uint32_t x = 0; x < w; ++x) page[y * w + x] = x % 4 == 0 ? 0 : 255;
    }
    std::vector<uint8_t> picture(page.begin(), page.begin() + 4 * w);
    std::vector<uint8_t> text(page.begin() + 5 * w, page.end());
    ASSERT_EQ(isText(page.data(), w, 7), 0);
    ASSERT_EQ(kv_img2bin(picture.data(), w, 4, 5), 0);
    ASSERT_EQ(kv_img2bin(text.data(), w, 2, 5), 0);
    ASSERT_EQ(kv_cq_img2bin(page.data(), w, 7, 5), 0);
    EXPECT_TRUE(std::equal(picture.begin(), picture.end(), page.begin()));
    EXPECT_EQ(std::vector<uint8_t>(page.begin() + 4 * w, page.begin() + 5 * w), std::vector<uint8_t>(w, 255));
    EXPECT_TRUE(std::equal(text.begin(), text.end(), page.begin() + 5 * w));
}

TEST(Binarize, TattooMethodLiftsLightGreysFirst) {
    // Method 8 turns 235 into 240 (then the same picture path as method 6),
    // and 240 into 255 (then nothing prints).
    const uint32_t w = 24, h = 10;
    std::vector<uint8_t> tattoo(w * h, 235), plain(w * h, 240), white(w * h, 240);
    {
        CountingRandom r;
        ASSERT_EQ(kv_cq_img2bin(tattoo.data(), w, h, 8), 0);
    }
    {
        CountingRandom r;
        ASSERT_EQ(kv_cq_img2bin(plain.data(), w, h, 6), 0);
    }
    EXPECT_EQ(tattoo, plain);
    CountingRandom r;
    ASSERT_EQ(kv_cq_img2bin(white.data(), w, h, 8), 0);
    EXPECT_EQ(white, std::vector<uint8_t>(w * h, 255));
}

TEST(Binarize, RandomisedDiffusionGivesPureBlackAndWhite) {
    CountingRandom r;
    std::vector<uint8_t> img(40 * 8);
    for (size_t i = 0; i < img.size(); ++i) img[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(kv_cq_dither(img.data(), 40, 8), 0);
    for (uint8_t v : img) EXPECT_TRUE(v == 0 || v == 255);
}

TEST(Binarize, PackingSetsABitPerBlackPixel) {
    const std::vector<uint8_t> img = {0, 255, 0, 255, 0, 255, 0, 255, 255, 255, 255, 255, 255, 255, 255, 0,
                                      0, 0,   0, 0,   0, 0,   0, 0,   255, 255, 255, 255, 255, 255, 255, 255};
    uint32_t length = 99;
    uint8_t* out = kv_BinImg2PrinterData(img.data(), 16, 2, &length);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{0xAA, 0x01, 0xFF, 0x00}));
    std::free(out);
    EXPECT_EQ(kv_BinImg2PrinterData(nullptr, 16, 2, &length), nullptr);
    EXPECT_EQ(length, 0u);
}

namespace {

// The Stucki-weighted diffusion as the rules read: a whole 16-bit work plane
// with two margin columns on each side and two rows below, sums wrapping.
std::vector<uint8_t> referenceStucki(std::vector<uint8_t> image, int w, int h) {
    const int stride = w + 4;
    std::vector<int16_t> work(static_cast<size_t>(stride) * (h + 2), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) work[y * stride + x + 2] = image[y * w + x];
    const struct {
        int dx, dy, mul, div;
    } shares[] = {{1, 0, 8, 42}, {2, 0, 4, 42},  {-2, 1, 1, 21}, {-1, 1, 4, 42}, {0, 1, 8, 42}, {1, 1, 4, 42},
                  {2, 1, 1, 21}, {-2, 2, 1, 42}, {-1, 2, 1, 21}, {0, 2, 4, 42},  {1, 2, 1, 21}, {2, 2, 1, 42}};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int v = work[y * stride + x + 2];
            const int e = v <= 130 ? v : v - 255;
            image[y * w + x] = v <= 130 ? 0 : 255;
            for (const auto& s : shares) {
                int16_t& cell = work[(y + s.dy) * stride + x + 2 + s.dx];
                cell = static_cast<int16_t>(cell + e * s.mul / s.div);
            }
        }
    }
    return image;
}

TEST(Binarize, StuckiDiffusionMatchesTheWholePlaneRules) {
    std::srand(21);
    const struct { int w, h; } sizes[] = {{1, 1}, {2, 5}, {5, 2}, {37, 29}, {300, 7}};
    for (const auto& size : sizes) {
        std::vector<uint8_t> image(static_cast<size_t>(size.w) * size.h);
        for (uint8_t& v : image) v = static_cast<uint8_t>(std::rand());
        const std::vector<uint8_t> expected = referenceStucki(image, size.w, size.h);
        ASSERT_EQ(kv_imgdiff(image.data(), size.w, size.h), 0);
        EXPECT_EQ(image, expected) << size.w << "x" << size.h;
    }
}

}  // namespace
