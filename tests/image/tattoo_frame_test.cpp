// Geometry of the tattoo stencil frame drawn into a blank one-bit plane.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "image/tone.h"

namespace {

KVImagePtr blankBin(uint32_t w, uint32_t h) {
    KVImagePtr image(creatKVImage(w, h));
    image->bin = static_cast<uint8_t*>(std::calloc(w / 8 * h, 1));
    return image;
}

bool dot(const KVImage& image, int x, int y) {
    return (image.bin[static_cast<size_t>(y) * (image.width / 8) + x / 8] >> (7 - x % 8)) & 1;
}

// The columns set on one row, as inclusive runs.
std::vector<std::pair<int, int>> runs(const KVImage& image, int y) {
    std::vector<std::pair<int, int>> r;
    for (int x = 0; x < static_cast<int>(image.width); ++x) {
        if (!dot(image, x, y)) continue;
        if (!r.empty() && r.back().second == x - 1)
            r.back().second = x;
        else
            r.push_back({x, x});
    }
    return r;
}

using Runs = std::vector<std::pair<int, int>>;

TEST(TattooFrame, SmallestPictureHasStraightSidesOnly) {
    KVImagePtr image = blankBin(240, 252);
    ASSERT_EQ(KVImageAddTattooLine(image.get()), 0u);
    ASSERT_EQ(image->height, 268u);
    EXPECT_TRUE(runs(*image, 155).empty());
    // At this width the left and right bars meet: columns 40 to 119 and 120 to 199.
    for (int y : {156, 163, 260, 267}) EXPECT_EQ(runs(*image, y), (Runs{{40, 199}})) << y;
    for (int y = 164; y <= 259; ++y) ASSERT_EQ(runs(*image, y), (Runs{{40, 47}, {192, 199}})) << y;
}

TEST(TattooFrame, TallPictureSwingsInWaves) {
    KVImagePtr image = blankBin(400, 500);
    ASSERT_EQ(KVImageAddTattooLine(image.get()), 0u);
    const int H = 516, W = 400;
    ASSERT_EQ(image->height, static_cast<uint32_t>(H));
    for (int y : {164, 207, 464, 507}) EXPECT_EQ(runs(*image, y), (Runs{{40, 47}, {W - 48, W - 41}})) << y;
    const struct {
        int row, left;
    } samples[] = {{208, 40}, {210, 40}, {211, 39}, {271, 24},   // first wave swings out: t = (j + 1) / 4
                   {272, 24}, {275, 25}, {335, 40},              // and back
                   {336, 40}, {399, 24}, {400, 24}, {463, 40}};  // second wave
    for (const auto& s : samples) {
        EXPECT_EQ(runs(*image, s.row), (Runs{{s.left, s.left + 7}, {W - 8 - s.left, W - 1 - s.left}})) << s.row;
    }
    // Every row of the frame is its own mirror image; nothing above row 156.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W / 2; ++x) ASSERT_EQ(dot(*image, x, y), dot(*image, W - 1 - x, y)) << x << "," << y;
    for (int y = 0; y < 156; ++y) ASSERT_TRUE(runs(*image, y).empty());
    for (int y = 508; y < H; ++y) ASSERT_EQ(runs(*image, y), (Runs{{40, 119}, {W - 120, W - 41}}));
}

TEST(TattooFrame, KeepsThePictureAndRefusesSmallOnes) {
    KVImagePtr image = blankBin(240, 260);
    image->bin[0] = 0xA5;
    image->gray = static_cast<uint8_t*>(std::calloc(240 * 260, 1));
    ASSERT_EQ(KVImageAddTattooLine(image.get()), 0u);
    EXPECT_EQ(image->bin[0], 0xA5);
    // The grey plane grows with the record: 16 white rows.
    EXPECT_EQ(image->gray[240 * 260 - 1], 0);
    EXPECT_EQ(image->gray[240 * 276 - 1], 255);

    for (auto [w, h] : {std::pair{232u, 300u}, {240u, 251u}}) {
        KVImagePtr small = blankBin(w, h);
        EXPECT_EQ(KVImageAddTattooLine(small.get()), 1u);
        EXPECT_EQ(small->height, h);
    }
    KVImagePtr noBin(creatKVImage(240, 252));
    EXPECT_EQ(KVImageAddTattooLine(noBin.get()), 1u);
}

}  // namespace
