// Conversions nothing in the filter calls: bitmap decolourisation,
// grey-to-black-and-white tables, the Atkinson dither.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "base/seams.h"
#include "image/device/legacy_bw.h"
#include "image/device/legacy_decolor.h"

namespace {

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};
using Owned = std::unique_ptr<uint8_t, FreeDeleter>;

int g_counter = 0;
int countingRand() { return g_counter++ * 7919; }
void ignoreSeed(unsigned) {}

struct FixedRandom {
    FixedRandom() {
        g_counter = 0;
        setKvRandom(countingRand, ignoreSeed);
    }
    ~FixedRandom() { setKvRandom(nullptr, nullptr); }
};

std::vector<uint8_t> bgr(const std::vector<uint8_t>& greys) {
    std::vector<uint8_t> v;
    for (uint8_t g : greys) v.insert(v.end(), {g, g, g});
    return v;
}

}  // namespace

TEST(LegacyConversions, DecolourisationKeepsTheContrastOfOneChannel) {
    // Black and pure "byte 2" pixels: the weight on byte 2 that best matches
    // their contrast (255 x 0.707) is 0.7; the first such triple is (0.7, 0, 0.3).
    FixedRandom r;
    std::vector<uint8_t> px;
    for (int i = 0; i < 64; ++i) px.insert(px.end(), {0, 0, static_cast<uint8_t>(i % 2 == 0 ? 255 : 0)});
    std::vector<uint8_t> out(64, 1);
    ASSERT_EQ(RealTimeRGB2gray(8, 8, 24, px.data(), 24, out.data()), 1);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(out[i], i % 2 == 0 ? 179 : 0) << i;
    EXPECT_EQ(RealTimeRGB2gray(8, 8, 23, px.data(), 24, out.data()), 0);  // rows too short
}

TEST(LegacyConversions, BitmapDepthsAndTheLatch) {
    FixedRandom r;
    isExistMultiformat = false;
    const std::vector<uint8_t> grey24 = bgr({90, 91, 100, 90});
    // 24-bit before any palette bitmap: grey 90 and 91 are lightened by 0.1 x 255.
    Owned a(RGB2Gray(grey24.data(), 12, nullptr, 0, kDepth24Bit, 2, 2, 0, 0.1f));
    ASSERT_TRUE(a);
    EXPECT_EQ(std::vector<uint8_t>(a.get(), a.get() + 4), (std::vector<uint8_t>{115, 116, 100, 115}));
    // A 1-bit bitmap (bits 1 -> palette entry 1) sets the latch.
    const uint8_t palette[8] = {0, 0, 0, 0, 200, 200, 200, 0};
    const uint8_t bits[2] = {0x80, 0x40};
    Owned b(RGB2Gray(bits, 2, palette, 2, kDepth1Bit, 2, 2, 0, 0.0f));
    ASSERT_TRUE(b);
    EXPECT_EQ(std::vector<uint8_t>(b.get(), b.get() + 4), (std::vector<uint8_t>{200, 0, 0, 200}));
    EXPECT_TRUE(isExistMultiformat);
    Owned flat(RGB2Gray(bits, 2, palette, 2, kDepth1Bit, 2, 2, 1, 0.0f));
    EXPECT_EQ(std::vector<uint8_t>(flat.get(), flat.get() + 4), (std::vector<uint8_t>{255, 0, 0, 255}));
    // With the latch set, 24-bit takes the plain path; afterwards only 90 is lightened.
    Owned c(RGB2Gray(grey24.data(), 12, nullptr, 0, kDepth24Bit, 2, 2, 0, 0.1f));
    EXPECT_EQ(std::vector<uint8_t>(c.get(), c.get() + 4), (std::vector<uint8_t>{115, 91, 100, 115}));
    EXPECT_EQ(RGB2Gray(grey24.data(), 12, nullptr, 0, kDepth24Bit, 0, 2, 0, 0.1f), nullptr);
    EXPECT_EQ(RGB2Gray(grey24.data(), 10, nullptr, 0, kDepth24Bit, 2, 2, 0, 0.1f), nullptr);  // short rows
    isExistMultiformat = false;
}

TEST(LegacyConversions, GreyToBlackAndWhiteModes) {
    const struct {
        int32_t mode;
        uint8_t grey;
        int blackCount;
        bool firstWhite;
    } cases[] = {
        {BitmapDiffuse, 3, 63, true},  // the table's 0 entry keeps one dot white
        {wartermarkBitmapDiffuse, 255, 0, true},
        {BitmapFocuse, 0, 63, false},  // clustered dot: entry 0 sits at (1, 1)
        {7, 142, 64, false},           // plain threshold 143
        {7, 143, 0, true},
        {BitmapErrorDisffusion, 0, 64, false},
        {BitmapErrorDisffusion, 255, 0, true},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> grey(64, c.grey);
        Owned out(Gray2SingleColor(grey.data(), 64, 8, 8, c.mode));
        ASSERT_TRUE(out);
        int black = 0;
        for (int i = 0; i < 64; ++i) black += out.get()[i] == 0 ? 1 : 0;
        EXPECT_EQ(black, c.blackCount) << c.mode << " " << int(c.grey);
        EXPECT_EQ(out.get()[0] == 255, c.firstWhite) << c.mode << " " << int(c.grey);
    }
    // Fewer bytes than pixels: only `size` bytes are touched.
    const std::vector<uint8_t> grey(10, 0);
    Owned small(Gray2SingleColor(grey.data(), 10, 8, 8, 7));
    ASSERT_TRUE(small);
    EXPECT_EQ(std::vector<uint8_t>(small.get(), small.get() + 10), std::vector<uint8_t>(10, 0));
}

TEST(LegacyConversions, AtkinsonDitherKeepsByte3AndGivesTwoLevels) {
    std::vector<uint8_t> img;
    for (int i = 0; i < 48; ++i) img.insert(img.end(), {128, 128, 128, static_cast<uint8_t>(i)});
    std::vector<uint8_t> out(img.size());
    atkinsonDither(img.data(), 8, 6, out.data());
    int black = 0;
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(out[4 * i + 3], i);
        EXPECT_TRUE(out[4 * i] == out[4 * i + 1] && out[4 * i] == out[4 * i + 2]);
        EXPECT_TRUE(out[4 * i] == 0 || out[4 * i] == 255);
        black += out[4 * i] == 0 ? 1 : 0;
    }
    EXPECT_GT(black, 10);  // mid grey: a real mix of dots
    EXPECT_LT(black, 38);
}
