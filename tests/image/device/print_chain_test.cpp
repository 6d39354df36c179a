// Colour-to-print-data chain: grey weights, error diffusion, Otsu, unsharp
// mask, packing, inversion and turn, caller planes and snapshots.
#include <gtest/gtest.h>

#include <vector>

#include "image/device/color_print_chain.h"
#include "image/device/print_chain_stages.h"

namespace {

std::vector<uint8_t> rgbOf(const std::vector<uint8_t>& greys) {
    std::vector<uint8_t> v;
    for (uint8_t g : greys) v.insert(v.end(), {g, g, g});
    return v;
}

}  // namespace

TEST(PrintChain, WhiteGivesGrey254AndNoDots) {
    const std::vector<uint8_t> rgb(16 * 2 * 3, 255);
    std::vector<uint8_t> grey(32, 1), out(4, 0);
    SingleColorDataParam single{grey.data()};
    const PrintParam print = creatDefaultPrintParam();
    EXPECT_EQ(
        rgb2PrintData(rgb.data(), out.data(), 16, 2, nullptr, &single, nullptr, nullptr, nullptr, &print, nullptr), 1);
    EXPECT_EQ(grey, std::vector<uint8_t>(32, 254));
    EXPECT_EQ(out, std::vector<uint8_t>(4, 0));
}

TEST(PrintChain, RefusesBadArgumentsUntouched) {
    const std::vector<uint8_t> rgb(12 * 3, 0);
    std::vector<uint8_t> out(2, 0x5A);
    EXPECT_EQ(
        rgb2PrintData(rgb.data(), out.data(), 12, 1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(rgb2PrintData(nullptr, out.data(), 8, 1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(out, std::vector<uint8_t>(2, 0x5A));
}

TEST(PrintChain, InvertAndTurn) {
    // Pixel 0 black, the rest white: 80 00; turned by 180 degrees: 00 01.
    std::vector<uint8_t> greys(16, 255);
    greys[0] = 0;
    const std::vector<uint8_t> rgb = rgbOf(greys);
    const struct {
        uint32_t invert, reverse;
        std::vector<uint8_t> bytes;
    } cases[] = {{0, 0, {0x80, 0x00}}, {0, 1, {0x00, 0x01}}, {1, 0, {0x7F, 0xFF}}, {1, 1, {0xFF, 0xFE}}};
    for (const auto& c : cases) {
        std::vector<uint8_t> out(2, 0);
        const PrintParam print{128, c.invert, c.reverse};
        ASSERT_EQ(
            rgb2PrintData(rgb.data(), out.data(), 16, 1, nullptr, nullptr, nullptr, nullptr, nullptr, &print, nullptr),
            1);
        EXPECT_EQ(out, c.bytes) << c.invert << c.reverse;
    }
}

TEST(PrintChain, ErrorDiffusionStageAndSnapshots) {
    // Half 50, half 200 (grey 49 and 199): the automatic threshold is 49, the
    // Stucki diffusion runs on the grey plane, then the threshold 128.
    std::vector<uint8_t> greys(16, 200);
    for (int i = 0; i < 8; ++i) greys[i] = 50;
    const std::vector<uint8_t> rgb = rgbOf(greys);
    std::vector<uint8_t> expectedGrey(16), expectedOut(2, 0);
    rgb2Gray(rgb.data(), expectedGrey.data(), 16, 1);
    ASSERT_EQ(getBestThreshold(expectedGrey.data(), 16, 1), 49);
    errDiffImg(expectedGrey.data(), 16, 1, 0, 1, 49);
    gray2BinByte(expectedGrey.data(), expectedOut.data(), 16, 1, 128);

    std::vector<uint8_t> out(2, 0), snap(16 * 4, 0), snapGrey(16 * 4, 0);
    const ErrDiffParam diff = creatDefaultErrDiffParam();
    DebugParam debug = creatDefaultDebugParam();
    debug.afterBinarization = snap.data();
    debug.afterSingleColor = snapGrey.data();
    ASSERT_EQ(rgb2PrintData(rgb.data(), out.data(), 16, 1, nullptr, nullptr, nullptr, nullptr, &diff, nullptr, &debug),
              1);
    EXPECT_EQ(out, expectedOut);
    for (int i = 0; i < 16; ++i) {
        const bool dot = (out[i / 8] & (0x80 >> (i % 8))) != 0;
        EXPECT_EQ(snap[4 * i], dot ? 0 : 255);
        EXPECT_EQ(snap[4 * i + 3], 255);
    }
    EXPECT_EQ(snapGrey[0], 49);  // snapshot taken before the diffusion
    EXPECT_EQ(snapGrey[4 * 15], 199);
}

TEST(PrintChain, OtsuTakesTheFirstMaximum) {
    std::vector<uint8_t> plane(100, 200);
    std::fill(plane.begin(), plane.begin() + 50, 50);
    EXPECT_EQ(getBestThreshold(plane.data(), 10, 10), 50);
    // 14 x 7, 2 x 80, 14 x 153: cutting after 7 or after 80 gives the same
    // variance by symmetry; summing each class afresh keeps the tie exact, so
    // the first candidate wins (1 - w0 for the upper class made 80 win).
    std::vector<uint8_t> symmetric(30, 153);
    std::fill(symmetric.begin(), symmetric.begin() + 14, 7);
    symmetric[14] = symmetric[15] = 80;
    EXPECT_EQ(getBestThreshold(symmetric.data(), 30, 1), 7);
    const std::vector<uint8_t> flat(64, 90);
    EXPECT_EQ(getBestThreshold(flat.data(), 8, 8), 0);
}

TEST(PrintChain, ErrorDiffusionCases) {
    const struct {
        const char* name;
        uint32_t w, h, kernel, bilevel;
        uint8_t threshold;
        std::vector<uint8_t> in, out;
    } cases[] = {
        // 127 is at or below the default 127: black, +24 to the right (151, white).
        {"127 Stucki", 2, 1, 0, 1, 0, {127, 127}, {0, 255}},
        {"128 Stucki", 2, 1, 0, 1, 0, {128, 128}, {255, 0}},
        // 209 goes white, error -46: the right share -20 takes 10 below 0.
        {"clamp", 2, 1, 1, 1, 0, {209, 10}, {255, 0}},
        // Column 1 passes 100 x 3 / 16 = 18 down-left: 120 becomes 138, white.
        {"down-left", 2, 2, 1, 1, 0, {0, 100, 120, 0}, {0, 0, 255, 0}},
        // Sixteen levels: 255 -> 240 (error 15, 6 to the right: 106 -> 96).
        {"sixteen", 2, 1, 1, 0, 0, {255, 100}, {240, 96}},
        {"unknown kernel", 2, 1, 2, 1, 0, {10, 200}, {10, 200}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> plane = c.in;
        errDiffImg(plane.data(), c.w, c.h, c.kernel, c.bilevel, c.threshold);
        EXPECT_EQ(plane, c.out) << c.name;
    }
}

TEST(PrintChain, UnsharpMask) {
    std::vector<uint8_t> src(9, 50), dst(9, 0);
    src[4] = 100;
    sharpening(src.data(), dst.data(), 3, 3, 1, 2);
    EXPECT_EQ(dst[4], 200);  // 100 x 3 - 2 x 400 / 8
    EXPECT_EQ(dst[0], 38);   // edge repeated: 50 x 3 - 2 x 450 / 8
    const std::vector<uint8_t> flat(20, 123);
    std::vector<uint8_t> flatOut(20, 0);
    sharpening(flat.data(), flatOut.data(), 5, 4, 2, 3);
    EXPECT_EQ(flatOut, flat);
    sharpening(src.data(), dst.data(), 3, 3, 0, 2);  // no window: a copy
    EXPECT_EQ(dst, src);
}

TEST(PrintChain, PackingAndPosterising) {
    const std::vector<uint8_t> plane = {0, 200, 127, 128, 255, 1, 90, 130, 10, 200, 200, 200};
    std::vector<uint8_t> out(2, 0);
    gray2BinByte(plane.data(), out.data(), 12, 1, 128);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xA6, 0x80}));
    std::vector<uint8_t> p = {0, 15, 16, 255};
    EXPECT_EQ(gray256ToGray16(p.data(), 2, 2), 2u);
    EXPECT_EQ(p, (std::vector<uint8_t>{8, 8, 24, 248}));
}
