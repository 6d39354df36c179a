// The device protocol's image front end: each image mode's conversion, the
// inversion and 180-degree turn, the grey and RGBA entry points, the blank
// margins and the bit-order reversal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "base/seams.h"
#include "protocol/command_builders.h"
#include "protocol/device/bitmap.h"
#include "protocol/device/image_front_end.h"

namespace {

using Bytes = std::vector<uint8_t>;

using Owned = std::unique_ptr<uint8_t, FreeDeleter>;

// Four-byte pixels (alpha 255) of equal colour bytes from grey values.
Bytes argbFromGrey(const Bytes& grey) {
    Bytes out;
    for (uint8_t g : grey) out.insert(out.end(), {255, g, g, g});
    return out;
}

struct Converted {
    Bytes bits;
    uint32_t width = 0;
    uint32_t height = 0;
    bool null = true;
};

Converted convert(const Bytes& pixels, uint32_t w, uint32_t h, uint32_t mode, uint8_t invert = 0,
                  uint16_t rotation = 0) {
    Converted c;
    Owned bits(getImageData(pixels.data(), w, h, &c.width, &c.height, mode, invert, rotation));
    if (!bits) return c;
    c.null = false;
    c.bits.assign(bits.get(), bits.get() + (c.width + 7) / 8 * c.height);
    return c;
}

class ImageFrontEndTest : public ::testing::Test {
protected:
    void SetUp() override { saved = imgThresholdValue; }
    void TearDown() override {
        setThreshold(saved);
        setKvClock(nullptr);
    }
    uint8_t saved = 0;
};

// The grey sum 0.3 g + 0.59 g + 0.11 g in double precision truncates 223 to
// 222, so at threshold 222 the value 223 still prints and 224 does not.
TEST_F(ImageFrontEndTest, ThresholdModeUsesDoubleGreySum) {
    setThreshold(222);
    const Converted c = convert(argbFromGrey({0, 100, 222, 223, 224, 230, 255, 128}), 8, 1, 0);
    ASSERT_FALSE(c.null);
    EXPECT_EQ(c.bits, Bytes{0xF1});
    setThreshold(100);
    EXPECT_EQ(convert(argbFromGrey({0, 100, 222, 223, 224, 230, 255, 128}), 8, 1, 0).bits, Bytes{0xC0});
}

TEST_F(ImageFrontEndTest, RefusesBadInput) {
    const Bytes px = argbFromGrey(Bytes(64, 0));
    EXPECT_EQ(getImageData(nullptr, 8, 8, nullptr, nullptr, 0, 0, 0), nullptr);
    EXPECT_EQ(getImageData(px.data(), 0, 8, nullptr, nullptr, 0, 0, 0), nullptr);
    EXPECT_EQ(getImageData(px.data(), 8, 0, nullptr, nullptr, 0, 0, 0), nullptr);
    EXPECT_EQ(getImageData(px.data(), 8, 8, nullptr, nullptr, 13, 0, 0), nullptr);
    uint32_t w = 0, h = 8;
    EXPECT_EQ(driveGetDataFromGrayImage(Bytes(64, 0).data(), &w, &h, 0, 0), nullptr);
    w = 8;
    EXPECT_EQ(driveGetDataFromGrayImage(nullptr, &w, &h, 0, 0), nullptr);
}

// Dot (x, y) of a converted bitmap.
bool dotAt(const Converted& c, uint32_t x, uint32_t y) {
    return (c.bits[y * ((c.width + 7) / 8) + x / 8] >> (7 - x % 8)) & 1;
}

// Inversion flips every dot but never sets the unused bits of a row; the
// 180-degree turn maps dot (x, y) to (w - 1 - x, h - 1 - y), also for widths
// that are no multiple of 8.
TEST_F(ImageFrontEndTest, InvertAndTurnWorkOnDotsNotOnPadding) {
    setThreshold(128);
    for (uint32_t w : {8u, 12u, 21u}) {
        const uint32_t h = 3;
        Bytes grey(w * h, 255);
        grey[0] = 0;              // (0, 0)
        grey[w + 2] = 0;          // (2, 1)
        grey[2 * w + w - 1] = 0;  // (w - 1, 2)
        const Bytes px = argbFromGrey(grey);
        const Converted plain = convert(px, w, h, 0);
        const Converted inverted = convert(px, w, h, 0, 1);
        const Converted turned = convert(px, w, h, 0, 0, 180);
        ASSERT_FALSE(plain.null || inverted.null || turned.null);
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                EXPECT_EQ(dotAt(inverted, x, y), !dotAt(plain, x, y)) << w << ": " << x << "," << y;
                EXPECT_EQ(dotAt(turned, w - 1 - x, h - 1 - y), dotAt(plain, x, y)) << w << ": " << x << "," << y;
            }
            for (uint32_t x = w; x < (w + 7) / 8 * 8; ++x) {
                EXPECT_FALSE(dotAt(inverted, x, y));
                EXPECT_FALSE(dotAt(turned, x, y));
            }
        }
    }
}

// The binarisation modes pack rows of whole bytes; a width that is no
// multiple of 8 gets white (no dots) on the right.
TEST_F(ImageFrontEndTest, BinarisationModesPadRowsWithWhite) {
    for (uint32_t mode : {4u, 5u, 6u, 7u, 8u, 12u}) {
        const Converted c = convert(argbFromGrey(Bytes(12 * 4, 0)), 12, 4, mode);
        ASSERT_FALSE(c.null) << mode;
        EXPECT_EQ(c.width, 12u);
        EXPECT_EQ(c.bits, (Bytes{0xFF, 0xF0, 0xFF, 0xF0, 0xFF, 0xF0, 0xFF, 0xF0})) << mode;
    }
}

// The colour-to-print-data chain (modes 2 and 3) turns the page itself and is
// inverted afterwards; it packs bits across rows, so it needs whole bytes.
TEST_F(ImageFrontEndTest, ColourChainModesTurnInvertAndNeedWholeBytes) {
    setThreshold(142);
    Bytes grey(16 * 2, 255);
    grey[0] = 0;
    const Bytes px = argbFromGrey(grey);
    for (uint32_t mode : {2u, 3u}) {
        EXPECT_EQ(convert(px, 16, 2, mode).bits, (Bytes{0x80, 0, 0, 0})) << mode;
        EXPECT_EQ(convert(px, 16, 2, mode, 0, 180).bits, (Bytes{0, 0, 0, 0x01})) << mode;
        EXPECT_EQ(convert(px, 16, 2, mode, 1).bits, (Bytes{0x7F, 0xFF, 0xFF, 0xFF})) << mode;
        EXPECT_TRUE(convert(argbFromGrey(Bytes(12 * 2, 0)), 12, 2, mode).null) << mode;
    }
}

// The KVImage chains keep the caller's width (rows of whole bytes either
// way); the tattoo line adds 16 rows. They take no inversion and no turn.
TEST_F(ImageFrontEndTest, ChainModesReportTheChainsHeightAndIgnoreInvertAndTurn) {
    Bytes grey(400 * 300, 255);
    for (uint32_t y = 100; y < 200; ++y) {
        for (uint32_t x = 100; x < 300; ++x) grey[y * 400 + x] = 0;
    }
    const Bytes px = argbFromGrey(grey);
    setKvClock([]() -> std::time_t { return 1700000000; });
    struct Case {
        uint32_t mode, width, outWidth, outHeight;
    } cases[] = {{9, 100, 100, 300}, {10, 400, 400, 300}, {11, 400, 400, 316}};
    for (const Case& k : cases) {
        Bytes cut;
        for (uint32_t y = 0; y < 300; ++y) {
            cut.insert(cut.end(), px.begin() + y * 1600, px.begin() + y * 1600 + k.width * 4);
        }
        const Converted c = convert(cut, k.width, 300, k.mode);
        ASSERT_FALSE(c.null) << k.mode;
        EXPECT_EQ(c.width, k.outWidth) << k.mode;
        EXPECT_EQ(c.height, k.outHeight) << k.mode;
        EXPECT_EQ(c.bits.size(), size_t{(k.width + 7) / 8} * k.outHeight) << k.mode;
        // The chains' jitter is seeded from the clock, which stays pinned, so
        // the plain, inverted and turned conversions must agree.
        EXPECT_EQ(convert(cut, k.width, 300, k.mode, 1).bits, c.bits) << k.mode;
        EXPECT_EQ(convert(cut, k.width, 300, k.mode, 0, 180).bits, c.bits) << k.mode;
    }
}

TEST_F(ImageFrontEndTest, GreyEntryPointEqualsFourEqualBytes) {
    setThreshold(142);
    Bytes grey(16 * 3);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i * 37);
    uint32_t w = 16, h = 3;
    Owned bits(driveGetDataFromGrayImage(grey.data(), &w, &h, 0, 0));
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(Bytes(bits.get(), bits.get() + 6), convert(argbFromGrey(grey), 16, 3, 0).bits);
}

TEST_F(ImageFrontEndTest, RgbaEntryPointReordersToArgbAndUsesMode5) {
    Bytes rgba, argb;
    for (uint32_t i = 0; i < 16 * 16; ++i) {
        const uint8_t r = (i % 16) < 4 ? 0 : 255, g = (i / 16) < 3 ? 10 : 250, b = 200;
        rgba.insert(rgba.end(), {r, g, b, 255});
        argb.insert(argb.end(), {255, r, g, b});
    }
    uint32_t w = 16, h = 16;
    Owned bits(driveGetDataFromRGBAImage(rgba.data(), &w, &h, 0));
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(Bytes(bits.get(), bits.get() + 32), convert(argb, 16, 16, 5).bits);
}

TEST_F(ImageFrontEndTest, RgbaExpansionOfTheBitmap) {
    setThreshold(128);
    uint32_t w = 0, h = 0, count = 0;
    const Bytes px = argbFromGrey({0, 255, 255, 0, 255, 0});
    Owned rgba(getRGBAImageData(px.data(), 3, 2, &w, &h, 0, 0, 0, &count));
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(h, 2u);
    ASSERT_EQ(count, 24u);
    const Bytes black{0, 0, 0, 255}, white{255, 255, 255, 255};
    Bytes expected;
    for (const Bytes* p : {&black, &white, &white, &black, &white, &black})
        expected.insert(expected.end(), p->begin(), p->end());
    EXPECT_EQ(Bytes(rgba.get(), rgba.get() + count), expected);
    EXPECT_EQ(getRGBAImageData(px.data(), 3, 2, &w, &h, 13, 0, 0, &count), nullptr);
    EXPECT_EQ(count, 0u);
}

TEST_F(ImageFrontEndTest, GapIsTheBlankMarginAroundTheDots) {
    setThreshold(128);
    const uint32_t w = 20, h = 10;
    Bytes grey(w * h, 255);
    grey[2 * w + 5] = 0;
    grey[6 * w + 13] = 0;
    uint32_t ow = 0, oh = 0;
    const ImageGap gap = getImageGap(argbFromGrey(grey).data(), w, h, &ow, &oh, 0, 0);
    EXPECT_EQ(gap.top, 2u);
    EXPECT_EQ(gap.bottom, 3u);
    EXPECT_EQ(gap.left, 5u);
    EXPECT_EQ(gap.right, 6u);
    const ImageGap blank = getImageGap(argbFromGrey(Bytes(w * h, 255)).data(), w, h, &ow, &oh, 0, 0);
    EXPECT_EQ(blank.top, h);
    EXPECT_EQ(blank.bottom, 0u);
    EXPECT_EQ(blank.left, w);
    EXPECT_EQ(blank.right, 0u);
}

TEST(InvertHex, ReversesBitOrder) {
    struct Case {
        uint8_t in, out;
    } cases[] = {{0x01, 0x80}, {0xF0, 0x0F}, {0xA5, 0xA5}, {0x12, 0x48}, {0x00, 0x00}};
    for (const Case& c : cases) EXPECT_EQ(priva_invertHex(c.in), c.out) << int(c.in);
}

}  // namespace

namespace {

// The grey entry point converts the threshold, binarisation and KVImage chain
// modes from a table of grey levels instead of four equal bytes per pixel:
// the same bitmaps as the four-byte path (A = R = G = B = grey) on random
// and smooth pictures, both turns, widths on and off the byte grid.
TEST(GreyEntryPoint, MatchesTheFourBytePathInEveryGreyMode) {
    setKvClock([]() -> std::time_t { return 1700000000; });
    std::srand(12);
    enum Kind { kNoise, kRamp, kText };
    const struct {
        uint32_t w, h;
        Kind kind;
    } pictures[] = {{64, 40, kNoise}, {61, 23, kNoise}, {200, 150, kRamp}, {96, 48, kText}, {45, 30, kText}};
    for (const auto& p : pictures) {
        Bytes grey(static_cast<size_t>(p.w) * p.h);
        for (size_t i = 0; i < grey.size(); ++i) {
            const size_t x = i % p.w, y = i / p.w;
            switch (p.kind) {
                case kNoise: grey[i] = static_cast<uint8_t>(std::rand()); break;
                case kRamp: grey[i] = static_cast<uint8_t>(x * 255 / p.w); break;
                case kText: grey[i] = (y % 12 < 7 && x % 5 < 2) ? static_cast<uint8_t>(std::rand() % 60) : 255; break;
            }
        }
        Bytes fourBytes;
        for (uint8_t g : grey) fourBytes.insert(fourBytes.end(), {g, g, g, g});
        for (uint32_t mode : {0u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u}) {
            for (uint16_t rotation : {uint16_t{0}, uint16_t{180}}) {
                std::srand(5);  // the legacy diffusion draws from the C generator
                const Converted expected = convert(fourBytes, p.w, p.h, mode, 0, rotation);
                uint32_t w = p.w, h = p.h;
                std::srand(5);
                Owned bits(driveGetDataFromGrayImage(grey.data(), &w, &h, rotation, mode));
                ASSERT_EQ(bits == nullptr, expected.null) << "mode " << mode;
                if (!bits) continue;
                EXPECT_EQ(w, expected.width);
                EXPECT_EQ(h, expected.height);
                EXPECT_EQ(Bytes(bits.get(), bits.get() + (w + 7) / 8 * h), expected.bits)
                    << "mode " << mode << ", " << p.w << "x" << p.h << ", rotation " << rotation;
            }
        }
    }
    setKvClock(nullptr);
}

uint32_t g_randState = 0;
int sequenceRand() { return static_cast<int>((g_randState = g_randState * 1103515245u + 12345u) >> 1); }
}  // namespace

// The device print job converts its grey canvas in place; every image mode
// must give the bits of the four-byte way, with the same random draws.
TEST_F(ImageFrontEndTest, GreyCanvasInPlaceEqualsTheFourByteWay) {
    setKvClock([]() -> std::time_t { return 1700000000; });
    setKvRandom(sequenceRand, nullptr);
    setThreshold(150);
    for (const uint32_t width : {64u, 61u}) {
        const uint32_t height = 90;
        Bytes grey(size_t{width} * height);
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                // A photo-like ramp above, a dark block of "text" below, white margins.
                const bool block = y >= 50 && y < 70 && x >= 10 && x < 40;
                grey[y * width + x] = y < 45 ? static_cast<uint8_t>((x * 4 + y * 3) % 256) : block ? 20 : 255;
            }
        }
        for (uint32_t mode = 0; mode <= 12; ++mode) {
            g_randState = 7;
            uint32_t w = width, h = height;
            Bytes fourBytes;  // each grey value as four equal bytes
            for (uint8_t g : grey) fourBytes.insert(fourBytes.end(), {g, g, g, g});
            Owned expected(getImageData(fourBytes.data(), width, height, &w, &h, mode, 0, 0));
            g_randState = 7;
            MallocBytes copy(static_cast<uint8_t*>(std::malloc(grey.size())));
            std::memcpy(copy.get(), grey.data(), grey.size());
            const MallocBitmap got = convertGrayImage(std::move(copy), width, height, mode);
            ASSERT_EQ(got.bytes == nullptr, expected == nullptr) << "mode " << mode << " width " << width;
            if (!expected) continue;
            EXPECT_EQ(got.width, w) << "mode " << mode;
            ASSERT_EQ(got.height, h) << "mode " << mode;
            EXPECT_EQ(Bytes(got.bytes.get(), got.bytes.get() + bitmapBytes(w, h)),
                      Bytes(expected.get(), expected.get() + bitmapBytes(w, h)))
                << "mode " << mode << " width " << width;
        }
    }
    setKvRandom(nullptr, nullptr);
}
