// The KVImage record: life cycle, widening, packing to one-bit, the buffer
// utilities and the default settings.
#include "image/kvimage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

KVImagePtr grayImage(uint32_t width, uint32_t height, const std::vector<uint8_t>& gray) {
    KVImagePtr image(creatKVImage(width, height));
    image->gray = static_cast<uint8_t*>(std::malloc(gray.size()));
    std::memcpy(image->gray, gray.data(), gray.size());
    return image;
}

TEST(KVImageRecord, CreateRejectsUnusableArguments) {
    const uint8_t pixel[4] = {1, 2, 3, 4};
    EXPECT_EQ(creatKVImage(0, 5), nullptr);
    EXPECT_EQ(creatKVImage(5, 0), nullptr);
    EXPECT_EQ(creatKVImageWithRGBAData(nullptr, 1, 1), nullptr);
    EXPECT_EQ(creatKVImageWithRGBAData(pixel, 0, 1), nullptr);
    EXPECT_EQ(deepCopyKVImage(nullptr), nullptr);
    freeKVImageData(nullptr);
    freeKVImageDataArray(nullptr, 3);

    KVImagePtr image(creatKVImageWithRGBAData(pixel, 1, 1));
    ASSERT_TRUE(image);
    EXPECT_NE(image->rgba, pixel);
    EXPECT_EQ(0, std::memcmp(image->rgba, pixel, 4));
    EXPECT_EQ(image->gray, nullptr);
    EXPECT_EQ(image->bin, nullptr);
}

TEST(KVImageRecord, DeepCopyCopiesOnlyPresentPlanes) {
    KVImagePtr image = grayImage(8, 2, std::vector<uint8_t>(16, 7));
    KVImagePtr copy(deepCopyKVImage(image.get()));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->width, 8u);
    EXPECT_EQ(copy->height, 2u);
    ASSERT_NE(copy->gray, nullptr);
    EXPECT_NE(copy->gray, image->gray);
    EXPECT_EQ(0, std::memcmp(copy->gray, image->gray, 16));
    EXPECT_EQ(copy->rgba, nullptr);
    EXPECT_EQ(copy->bin, nullptr);
}

TEST(KVImageRecord, WideningAddsWhiteOpaqueColumns) {
    std::vector<uint8_t> gray(13 * 2, 9);
    KVImagePtr image = grayImage(13, 2, gray);
    image->rgba = static_cast<uint8_t*>(std::calloc(13 * 2 * 4, 1));
    image->bin = static_cast<uint8_t*>(std::calloc(4, 1));
    ASSERT_EQ(fixKVImageWidthTo8Multiple(image.get()), 0u);
    ASSERT_EQ(image->width, 16u);
    EXPECT_EQ(image->bin, nullptr);  // a plane of the old width would not fit
    for (uint32_t y = 0; y < 2; ++y) {
        for (uint32_t x = 0; x < 16; ++x) {
            EXPECT_EQ(image->gray[y * 16 + x], x < 13 ? 9 : 255) << x << "," << y;
            for (int c = 0; c < 4; ++c) EXPECT_EQ(image->rgba[(y * 16 + x) * 4 + c], x < 13 ? 0 : 255);
        }
    }
    uint8_t* before = image->gray;
    EXPECT_EQ(fixKVImageWidthTo8Multiple(image.get()), 0u);
    EXPECT_EQ(image->gray, before);
    EXPECT_EQ(fixKVImageWidthTo8Multiple(nullptr), 1u);
}

TEST(KVImageRecord, GrayToBinIsMostSignificantBitFirstBelowThreshold) {
    std::vector<uint8_t> gray = {127, 128, 255, 255, 255, 255, 255, 0,  // 0x81
                                 255, 255, 255, 255, 255, 255, 255, 255};
    KVImagePtr image = grayImage(8, 2, gray);
    PrintSetting setting = creatDefaultPrintSetting();
    ASSERT_EQ(KVImageGray2BinByte(image.get(), &setting), 0u);
    EXPECT_EQ(image->bin[0], 0x81);
    EXPECT_EQ(image->bin[1], 0x00);
    setting.threshold = 0;
    ASSERT_EQ(KVImageGray2BinByte(image.get(), &setting), 0u);
    EXPECT_EQ(image->bin[0], 0x00);
    ASSERT_EQ(KVImageInvertColors(image.get()), 0u);
    EXPECT_EQ(image->bin[0], 0xFF);
    EXPECT_EQ(image->bin[1], 0xFF);
}

TEST(KVImageRecord, GrayToBinOfOddSizeStaysInsideThePlane) {
    // 3 x 3 pixels run on across rows: 9 bits need two bytes.
    KVImagePtr image = grayImage(3, 3, std::vector<uint8_t>(9, 0));
    PrintSetting setting = creatDefaultPrintSetting();
    ASSERT_EQ(KVImageGray2BinByte(image.get(), &setting), 0u);
    EXPECT_EQ(image->bin[0], 0xFF);
    EXPECT_EQ(image->bin[1], 0x80);

    // A plane of width x height / 8 bytes made by the caller is inverted and
    // copied to that size, not a byte further.
    KVImagePtr own = grayImage(3, 3, std::vector<uint8_t>(9, 0));
    own->bin = static_cast<uint8_t*>(std::malloc(1));
    own->bin[0] = 0x0F;
    ASSERT_EQ(KVImageInvertColors(own.get()), 0u);
    EXPECT_EQ(own->bin[0], 0xF0);
    KVImagePtr copy(deepCopyKVImage(own.get()));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->bin[0], 0xF0);
    KVImagePtr tiny = grayImage(3, 2, std::vector<uint8_t>(6, 0));
    tiny->bin = static_cast<uint8_t*>(std::malloc(1));
    KVImagePtr tinyCopy(deepCopyKVImage(tiny.get()));
    ASSERT_TRUE(tinyCopy);
    EXPECT_NE(tinyCopy->bin, nullptr);
}

TEST(KVImageRecord, Defaults) {
    const PrintSetting s = creatDefaultPrintSetting();
    EXPECT_EQ(s.sharpenAmount, 4.0f);
    EXPECT_EQ(s.blurRadius, 2);
    EXPECT_EQ(s.invert, 0u);
    EXPECT_EQ(s.threshold, 128);
    const RGBHistogramParam rgb = creatDefaultRGBHistogramParam();
    EXPECT_EQ(rgb.buffer, nullptr);
    EXPECT_EQ(rgb.tilesX, 2);
    EXPECT_EQ(rgb.tilesY, 2);
    EXPECT_EQ(rgb.bins, 128);
    EXPECT_EQ(rgb.clipLimit, 5);
    const HistogramParam h = creatDefaultHistogramParam();
    EXPECT_EQ(h.bins, 128);
    EXPECT_EQ(h.clipLimit, 5);
    const SharpeningParam sh = creatDefaultSharpeningParam();
    EXPECT_EQ(sh.radius, 2);
    EXPECT_EQ(sh.strength, 2);
    const ErrDiffParam e = creatDefaultErrDiffParam();
    EXPECT_EQ(e.kernel, 0u);
    EXPECT_EQ(e.bilevel, 1u);
    EXPECT_EQ(e.autoThreshold, 1u);
    const PrintParam p = creatDefaultPrintParam();
    EXPECT_EQ(p.threshold, 128);
    EXPECT_EQ(p.invertColor, 0u);
    EXPECT_EQ(p.reverse, 0u);
    EXPECT_EQ(creatDefaultSingleColorDataParam().buffer, nullptr);
    EXPECT_EQ(creatDefaultDebugParam().afterBinarization, nullptr);
}

TEST(KVImageBuffers, InvertDirectionTurnsAOneBitPage) {
    struct Case {
        std::vector<uint8_t> in, out;
    } cases[] = {
        {{0x01, 0x80}, {0x01, 0x80}},
        {{0x01, 0x0F, 0x80}, {0x01, 0xF0, 0x80}},
        {{0x12, 0x00, 0x00, 0xC0}, {0x03, 0x00, 0x00, 0x48}},
        {{0x01}, {0x80}},
    };
    for (auto& c : cases) {
        std::vector<uint8_t> buffer = c.in;
        invertDirection(buffer.data(), buffer.size());
        EXPECT_EQ(buffer, c.out);
    }
    EXPECT_EQ(invertHex(0x01), 0x80);
    EXPECT_EQ(invertHex(0xCA), 0x53);
}

TEST(KVImageBuffers, ColourOrderExpansion) {
    const uint8_t rgb[6] = {1, 2, 3, 4, 5, 6};
    uint8_t rgba[8] = {};
    outputDebugData(rgb, rgba, 2, 1, 1);
    EXPECT_EQ(std::vector<uint8_t>(rgba, rgba + 8), (std::vector<uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
    const uint8_t gray[2] = {7, 8};
    outputDebugData(gray, rgba, 2, 1, 0);
    EXPECT_EQ(std::vector<uint8_t>(rgba, rgba + 8), (std::vector<uint8_t>{7, 7, 7, 255, 8, 8, 8, 255}));
    uint8_t rgbOut[6] = {};
    EXPECT_EQ(singleColor2GrayRGB(gray, rgbOut, 2, 1), 1u);
    EXPECT_EQ(std::vector<uint8_t>(rgbOut, rgbOut + 6), (std::vector<uint8_t>{7, 7, 7, 8, 8, 8}));
}

}  // namespace
