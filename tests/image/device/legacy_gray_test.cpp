// Older grey conversions and the randomised Floyd-Steinberg dither.
#include <gtest/gtest.h>

#include <vector>

#include "base/seams.h"
#include "image/device/legacy_gray.h"

namespace {

int g_nextRand = 0;
int fixedRand() { return g_nextRand; }

// Fixes the jitter: rand() % 1000 = r gives j = r / 5000 - 0.1.
struct FixedRandom {
    explicit FixedRandom(int value) {
        g_nextRand = value;
        setKvRandom(fixedRand, nullptr);
    }
    ~FixedRandom() { setKvRandom(nullptr, nullptr); }
};

std::vector<uint8_t> argbOf(std::initializer_list<uint8_t> greys) {
    std::vector<uint8_t> v;
    for (uint8_t g : greys) v.insert(v.end(), {0, g, g, g});
    return v;
}

}  // namespace

TEST(LegacyGray, GreySumIsTruncatedInDouble) {
    // (R=G=B) -> grey: the double sum of 0.3, 0.59, 0.11 falls just short for some.
    const struct {
        uint8_t in, out;
    } cases[] = {{255, 255}, {100, 100}, {128, 127}, {222, 222}, {223, 222}, {224, 224}, {0, 0}};
    for (const auto& c : cases) {
        const std::vector<uint8_t> px = argbOf({c.in});
        uint8_t single = 0;
        argb2SingleGray(px.data(), 1, 1, &single);
        EXPECT_EQ(single, c.out) << int(c.in);
        std::vector<uint8_t> out(4);
        gray(px.data(), 1, 1, out.data());
        EXPECT_EQ(out, (std::vector<uint8_t>{0, c.out, c.out, c.out}));
    }
}

TEST(LegacyGray, Threshold222PrintsUpTo223) {
    std::vector<uint8_t> px = argbOf({221, 222, 223, 224, 225, 255, 0, 230});
    gray(px.data(), 8, 1, px.data());
    uint8_t row = 0;
    EXPECT_EQ(grayRGBA2SingleColor(px.data(), 8, 1, &row, 222), 1);
    EXPECT_EQ(row, 0xE2);  // 221, 222, 223 and 0 print
}

TEST(LegacyGray, PackingRowLengthAndEmptySizes) {
    const std::vector<uint8_t> px =
        argbOf({0, 255, 255, 255, 255, 255, 255, 255, 0, 0, 255, 255, 255, 255, 255, 255, 255, 0});
    std::vector<uint8_t> out(4, 0);
    EXPECT_EQ(grayRGBA2SingleColor(px.data(), 9, 2, out.data(), 128), 2);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x80}));
    std::vector<uint8_t> untouched(4, 0x11);
    EXPECT_EQ(grayRGBA2SingleColor(px.data(), 9, 0, untouched.data(), 128), 0);
    EXPECT_EQ(grayRGBA2SingleColor(px.data(), 0, 2, untouched.data(), 128), 0);
    EXPECT_EQ(untouched, std::vector<uint8_t>(4, 0x11));
}

TEST(LegacyGray, NearestColourJitter) {
    // rand() % 1000 = r gives the jitter j = r / 5000 - 0.1, doubled when the
    // colour is about halfway (share of dBlack strictly between 0.4 and 0.6).
    const struct {
        int r;
        uint8_t grey;
        int white;
    } cases[] = {
        {0, 255, 1},
        {999, 255, 1},
        {0, 0, 0},
        {999, 0, 0},
        // 140: dBlack 58800, dWhite 39675, share 0.597: j = -0.2 makes it black,
        // though -0.1 alone would not (52920 >= 43642).
        {0, 140, 0},
        {500, 140, 1},
        {1000, 140, 0},
        // 112: share 0.38, not doubled: j = 0.0998 keeps it black.
        {999, 112, 0},
    };
    for (const auto& c : cases) {
        FixedRandom r(c.r);
        EXPECT_EQ(getNearstColor(c.grey, c.grey, c.grey), c.white) << c.r << " " << int(c.grey);
    }
}

TEST(LegacyGray, GetPixelAddsScaledErrorAndClamps) {
    std::vector<uint8_t> img = {7, 10, 200, 250};
    const int32_t error[3] = {100, -40, -100};  // bytes 3, 2, 1
    const uint32_t v = getPixel(img.data(), 1, 1, 0, 0, error, 0.4375f);
    // byte 3: 250 + 43 -> 255; byte 2: 200 - 17 = 183; byte 1: 10 - 43 -> 0; byte 0 kept.
    EXPECT_EQ(v, 0xFFB70007u);
    EXPECT_EQ(getPixel(img.data(), 1, 1, 1, 0, error, 1.0f), 0xFFFFFFFFu);
    EXPECT_EQ(getPixel(img.data(), 1, 1, 0, -1, error, 1.0f), 0xFFFFFFFFu);
    setPixel(img.data(), 1, 1, 0, 0, v);
    EXPECT_EQ(img, (std::vector<uint8_t>{7, 0, 183, 255}));
    setPixel(img.data(), 1, 1, 0, 1, 0);  // outside: ignored
    EXPECT_EQ(img, (std::vector<uint8_t>{7, 0, 183, 255}));
}

TEST(LegacyGray, DitherSpreadsFloydSteinbergShares) {
    FixedRandom r(500);  // j = 0
    // 2 x 2 of grey 100: the first pixel goes black and passes 100 on:
    // right +43, below +31, below-right +6.
    std::vector<uint8_t> img = argbOf({100, 100, 100, 100});
    EXPECT_EQ(dither(img.data(), 2, 2, img.data()), 4);
    // Right 143 -> white (error -112), below 131 +(-112 x 0.1875 = -21) = 110 -> black, last 106 + ... -> black.
    EXPECT_EQ(img, (std::vector<uint8_t>{255, 0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0}));
}

TEST(LegacyGray, DitherOfOneColumnStaysInside) {
    FixedRandom r(500);
    std::vector<uint8_t> img = argbOf({255, 0, 255, 0, 130});
    dither(img.data(), 1, 5, img.data());
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(img[4 * i], 255);
        EXPECT_TRUE(img[4 * i + 1] == 0 || img[4 * i + 1] == 255);
    }
    EXPECT_EQ(img[1], 255);
    EXPECT_EQ(img[5], 0);
}

TEST(LegacyGray, DitherIntoAnotherBufferLeavesTheSource) {
    FixedRandom r(500);
    const std::vector<uint8_t> src = argbOf({100, 100, 100, 100});
    std::vector<uint8_t> out(16, 0x55);
    std::vector<uint8_t> inPlace = src;
    dither(src.data(), 2, 2, out.data());
    dither(inPlace.data(), 2, 2, inPlace.data());
    EXPECT_EQ(out, inPlace);
    EXPECT_EQ(src, argbOf({100, 100, 100, 100}));
}

uint32_t g_sequence = 0;
int sequenceRand() { return static_cast<int>((g_sequence = g_sequence * 1103515245u + 12345u) >> 1); }

// The one-byte dither the device binarisation uses must give the dots the
// four-byte dither gives the same grey image, with the same random draws.
TEST(LegacyGray, GreyDitherMatchesTheFourByteDither) {
    for (const auto& [width, height] : {std::pair{1, 9}, std::pair{9, 1}, std::pair{37, 23}}) {
        std::vector<uint8_t> grey(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>((i * 97 + i / 7 * 31) % 256);
        std::vector<uint8_t> argb;
        for (uint8_t g : grey) argb.insert(argb.end(), {255, g, g, g});
        setKvRandom(sequenceRand, nullptr);
        g_sequence = 1;
        dither(argb.data(), width, height, argb.data());
        g_sequence = 1;
        EXPECT_EQ(ditherGray(grey.data(), width, height), int64_t{width} * height);
        setKvRandom(nullptr, nullptr);
        for (size_t i = 0; i < grey.size(); ++i)
            ASSERT_EQ(grey[i], argb[4 * i + 1]) << width << "x" << height << " at " << i;
    }
}
