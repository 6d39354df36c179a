// Tone adjustments: the fixed curves, the S-curve, tattoo sharpening, the
// Gaussian blur and the unsharp mask.
#include "image/tone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

KVImagePtr band(uint32_t w, uint32_t h, const std::vector<uint8_t>& gray) {
    KVImagePtr image(creatKVImage(w, h));
    image->gray = static_cast<uint8_t*>(std::malloc(gray.size()));
    std::memcpy(image->gray, gray.data(), gray.size());
    return image;
}

std::vector<uint8_t> allGreys() {
    std::vector<uint8_t> v(256);
    for (int g = 0; g < 256; ++g) v[g] = static_cast<uint8_t>(g);
    return v;
}

TEST(Tone, CurveTablesAreMonotoneFromBlackToWhite) {
    for (const uint8_t* table : {kvBrightnessIncreaseTable, kvBrightnessReduceTable}) {
        EXPECT_EQ(table[0], 0);
        EXPECT_EQ(table[255], 255);
        for (int g = 1; g < 256; ++g) EXPECT_LE(table[g - 1], table[g]) << g;
    }
    for (int g = 1; g < 255; ++g) {
        EXPECT_GE(kvBrightnessIncreaseTable[g], g - 1);
        EXPECT_LE(kvBrightnessReduceTable[g], g);
    }
    KVImagePtr light = band(256, 1, allGreys()), dark = band(256, 1, allGreys());
    ASSERT_EQ(KVImageBrightnessIncrease(light.get()), 0u);
    ASSERT_EQ(KVImageBrightnessReduce(dark.get()), 0u);
    EXPECT_EQ(light->gray[128], 161);
    EXPECT_EQ(dark->gray[128], 93);
    EXPECT_EQ(light->gray[79], 113);
    EXPECT_EQ(dark->gray[247], 227);
}

TEST(Tone, SCurveAndTattooSharpening) {
    KVImagePtr curve = band(256, 1, allGreys());
    ASSERT_EQ(KVImageBrightnessContrastReduction(curve.get()), 0u);
    const struct {
        int in, out;
    } curvePoints[] = {{0, 0}, {25, 30}, {26, 41}, {127, 127}, {229, 213}, {230, 205}, {255, 255}};
    for (const auto& p : curvePoints) EXPECT_EQ(curve->gray[p.in], p.out) << p.in;

    KVImagePtr tattoo = band(256, 1, allGreys());
    ASSERT_EQ(KVImageSharpenTattoo(tattoo.get()), 0u);
    const struct { int in, out; } tattooPoints[] = {{0, 0}, {230, 230}, {231, 236}, {239, 244}, {240, 255}, {254, 255}};
    for (const auto& p : tattooPoints) EXPECT_EQ(tattoo->gray[p.in], p.out) << p.in;

    KVImage empty{};
    EXPECT_EQ(KVImageBrightnessIncrease(nullptr), 1u);
    EXPECT_EQ(KVImageBrightnessReduce(&empty), 1u);
    EXPECT_EQ(KVImageSharpenTattoo(&empty), 1u);
}

TEST(Tone, BlurRepeatsEdgesAndSharpenKeepsUniformBands) {
    // A lone black pixel in white: the 5-tap kernel (sigma 1) spreads it;
    // weights 0.1353, 0.6065, 1 normalised by 2.4837 in each direction.
    const int w = 7, h = 7;
    std::vector<uint8_t> gray(w * h, 255);
    gray[3 * w + 3] = 0;
    std::vector<uint8_t> blurred(w * h);
    ASSERT_EQ(gaussianBlur(gray.data(), blurred.data(), w, h, 2), 0);
    // Centre: 255 * (1 - 0.4026^2) = 213.7.
    EXPECT_EQ(blurred[3 * w + 3], 213);
    EXPECT_EQ(blurred[3 * w + 3 - 1], blurred[3 * w + 3 + 1]);
    EXPECT_EQ(blurred[2 * w + 3], blurred[3 * w + 2]);
    EXPECT_EQ(blurred[0], 255);  // beyond the radius

    for (uint8_t value : {uint8_t{0}, uint8_t{90}, uint8_t{255}}) {
        KVImagePtr uniform = band(9, 6, std::vector<uint8_t>(54, value));
        std::vector<uint8_t> b(54);
        ASSERT_EQ(gaussianBlur(uniform->gray, b.data(), 9, 6, 2), 0);
        ASSERT_EQ(KVImageSharpenNormal(uniform.get(), 2, 4.0f), 0);
        EXPECT_EQ(b, std::vector<uint8_t>(54, value));
        EXPECT_EQ(std::vector<uint8_t>(uniform->gray, uniform->gray + 54), std::vector<uint8_t>(54, value));
    }
    EXPECT_EQ(gaussianBlur(nullptr, blurred.data(), 1, 1, 2), 1);
    EXPECT_EQ(gaussianBlur(gray.data(), blurred.data(), w, h, 0), 1);
}

TEST(Tone, SharpenPushesEdgesApartAndClamps) {
    std::vector<uint8_t> gray(16 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) gray[y * 16 + x] = x < 8 ? 60 : 200;
    KVImagePtr image = band(16, 4, gray);
    ASSERT_EQ(KVImageSharpenNormal(image.get(), 2, 4.0f), 0);
    EXPECT_LT(image->gray[7], 60);
    EXPECT_GT(image->gray[8], 200);
    KVImagePtr strong = band(16, 4, gray);
    ASSERT_EQ(KVImageSharpenNormal(strong.get(), 2, 1e30f), 0);
    EXPECT_EQ(strong->gray[7], 0);
    EXPECT_EQ(strong->gray[8], 255);
}

}  // namespace
