// The processing chains: band cutting, the text/photo test, the text dither,
// grey conversion and whole chains on small pictures.
#include "image/processing_chains.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/seams.h"
#include "image/dither.h"

namespace {

KVImagePtr grayImage(uint32_t w, uint32_t h, const std::vector<uint8_t>& gray) {
    KVImagePtr image(creatKVImage(w, h));
    image->gray = static_cast<uint8_t*>(std::malloc(gray.size()));
    std::memcpy(image->gray, gray.data(), gray.size());
    return image;
}

// Rows of `w` pixels: each entry of `rows` gives the value of one row.
std::vector<uint8_t> rowsOf(uint32_t w, const std::vector<uint8_t>& rows) {
    std::vector<uint8_t> gray;
    for (uint8_t v : rows) gray.insert(gray.end(), w, v);
    return gray;
}

TEST(BandCutting, WhiteAndDataRunsBecomeBands) {
    std::vector<uint8_t> rows(10, 255);
    rows.insert(rows.end(), 5, 40);
    rows.insert(rows.end(), 10, 253);
    KVImagePtr image = grayImage(16, 25, rowsOf(16, rows));
    uint32_t count = 99;
    KVImage* bands = KVImageCutImage(image.get(), &count);
    ASSERT_NE(bands, nullptr);
    ASSERT_EQ(count, 3u);
    const uint32_t heights[] = {10, 5, 10};
    const uint8_t firsts[] = {255, 40, 253};
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(bands[i].width, 16u);
        EXPECT_EQ(bands[i].height, heights[i]);
        EXPECT_EQ(bands[i].gray[0], firsts[i]);
        EXPECT_EQ(bands[i].rgba, nullptr);
        EXPECT_EQ(bands[i].bin, nullptr);
    }
    freeKVImageDataArray(bands, count);
}

TEST(BandCutting, NoWhiteRowGivesOneWholeBand) {
    std::vector<uint8_t> gray = rowsOf(8, {255, 255, 255});
    for (size_t y = 0; y < 3; ++y) gray[y * 8 + 5] = 252;  // not white: 252 is not above 252
    KVImagePtr image = grayImage(8, 3, gray);
    uint32_t count = 0;
    KVImage* bands = KVImageCutImage(image.get(), &count);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(bands[0].height, 3u);
    EXPECT_EQ(0, std::memcmp(bands[0].gray, gray.data(), gray.size()));
    freeKVImageDataArray(bands, count);
    EXPECT_EQ(KVImageCutImage(nullptr, &count), nullptr);
    EXPECT_EQ(count, 0u);
}

// A band of `n` pixels: `counts` pixels of each listed value, the rest `fill`.
KVImagePtr histogramBand(uint32_t n, uint8_t fill, const std::vector<std::pair<uint8_t, uint32_t>>& counts) {
    std::vector<uint8_t> gray(n, fill);
    size_t at = 0;
    for (auto [value, count] : counts)
        for (uint32_t i = 0; i < count; ++i) gray[at++] = value;
    return grayImage(n, 1, gray);
}

TEST(TextDetection, DecisionsFollowTheHistogram) {
    const struct {
        const char* what;
        uint8_t fill;
        std::vector<std::pair<uint8_t, uint32_t>> counts;
        int text;
    } cases[] = {
        {"all 254: one peak, nothing dark", 254, {}, 0},
        {"paper with 8 black dots", 255, {{0, 8}}, 1},
        {"paper with 7 black dots", 255, {{0, 7}}, 0},
        {"too little white, dark photo", 30, {{255, 39}}, 0},
        {"40 % white: not too little", 30, {{255, 40}}, 1},
        {"41 % mid-tones", 255, {{128, 41}}, 0},
        {"40 % mid-tones, dark strokes, no peak", 255, {{128, 40}, {10, 8}}, 1},
        {"no peak, nothing dark", 255, {{128, 30}, {200, 30}}, 1},
    };
    for (const auto& c : cases) {
        KVImagePtr band = histogramBand(100, c.fill, c.counts);
        EXPECT_EQ(KVImageIsText(band.get()), c.text) << c.what;
    }
    EXPECT_EQ(KVImageIsText(nullptr), 0);
}

TEST(TextDetection, LargeBandsDoNotOverflowThePercentages) {
    // 50 million pixels: pixel counts times 100 exceed 32 bits.
    const uint32_t w = 10000, h = 5000;
    std::vector<uint8_t> gray(static_cast<size_t>(w) * h, 255);
    std::memset(gray.data(), 0, 100);
    KVImagePtr band = grayImage(w, h, gray);
    EXPECT_EQ(KVImageIsText(band.get()), 1);
}

TEST(TextDither, StuckiWeightsInIntegers) {
    // One pixel of 200 with white around: white, error -55, spread right as
    // -55 * 8 / 42 = -10, so a 139 neighbour falls to 129 and prints black.
    KVImagePtr band = grayImage(3, 1, {200, 139, 255});
    ASSERT_EQ(KVImageTextImageDither(band.get()), 0);
    EXPECT_EQ(std::vector<uint8_t>(band->gray, band->gray + 3), (std::vector<uint8_t>{255, 0, 255}));
    KVImagePtr edge = grayImage(2, 2, {130, 131, 255, 255});
    ASSERT_EQ(KVImageTextImageDither(edge.get()), 0);
    EXPECT_EQ(std::vector<uint8_t>(edge->gray, edge->gray + 4), (std::vector<uint8_t>{0, 255, 255, 255}));
    EXPECT_EQ(KVImageTextImageDither(nullptr), 1);
}

TEST(TextDither, MatchesTheWholePlaneRulesOnRandomBands) {
    // The rules pixel by pixel on a whole work plane with margins: two
    // columns each side and two rows below, all dropped.
    auto reference = [](std::vector<uint8_t> gray, int w, int h) {
        const int stride = w + 4;
        std::vector<int32_t> work(static_cast<size_t>(stride) * (h + 2), 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) work[y * stride + x + 2] = gray[y * w + x];
        const struct {
            int dx, dy, mul, div;
        } shares[] = {{1, 0, 8, 42}, {2, 0, 4, 42},  {-2, 1, 1, 21}, {-1, 1, 4, 42}, {0, 1, 8, 42}, {1, 1, 4, 42},
                      {2, 1, 1, 21}, {-2, 2, 1, 42}, {-1, 2, 1, 21}, {0, 2, 4, 42},  {1, 2, 1, 21}, {2, 2, 1, 42}};
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int v = work[y * stride + x + 2];
                const int e = v <= 130 ? v : v - 255;
                gray[y * w + x] = v <= 130 ? 0 : 255;
                for (const auto& sh : shares) work[(y + sh.dy) * stride + x + 2 + sh.dx] += e * sh.mul / sh.div;
            }
        }
        return gray;
    };
    std::srand(42);
    const struct { uint32_t w, h; } sizes[] = {{1, 1}, {2, 3}, {5, 1}, {41, 17}, {256, 4}};
    for (const auto& size : sizes) {
        std::vector<uint8_t> gray(size.w * size.h);
        for (uint8_t& v : gray) v = static_cast<uint8_t>(std::rand());
        KVImagePtr band = grayImage(size.w, size.h, gray);
        ASSERT_EQ(KVImageTextImageDither(band.get()), 0);
        EXPECT_EQ(std::vector<uint8_t>(band->gray, band->gray + gray.size()),
                  reference(gray, static_cast<int>(size.w), static_cast<int>(size.h)))
            << size.w << "x" << size.h;
    }
}

TEST(GrayConversion, WeightsAndWhite) {
    const uint8_t rgba[] = {255, 255, 255, 0, 255, 0, 0, 255, 0, 0, 255, 7, 10, 20, 30, 40};
    KVImagePtr image(creatKVImageWithRGBAData(rgba, 4, 1));
    ASSERT_EQ(KVImageConvertRGBA2Gray(image.get()), 0);
    // White is 254 (the weights add up to 0.9999); 10, 20, 30 give 18.149.
    EXPECT_EQ(std::vector<uint8_t>(image->gray, image->gray + 4), (std::vector<uint8_t>{254, 76, 29, 18}));
    KVImagePtr noRgba(creatKVImage(1, 1));
    EXPECT_EQ(KVImageConvertRGBA2Gray(noRgba.get()), 1);
}

struct Chain : ::testing::Test {
    void SetUp() override {
        setKvClock([]() -> std::time_t { return 1234567; });
    }
    void TearDown() override { setKvClock(nullptr); }
};

TEST_F(Chain, PlainThresholdingWidensAndPacks) {
    std::vector<uint8_t> gray(100 * 2);
    for (size_t i = 0; i < gray.size(); ++i) gray[i] = static_cast<uint8_t>(i * 37);
    KVImagePtr image = grayImage(100, 2, gray);
    PrintSetting setting = creatDefaultPrintSetting();
    setting.threshold = 160;
    ASSERT_EQ(getKVImageProcessingForCustom(image.get(), &setting, 0), 0);
    ASSERT_EQ(image->width, 104u);
    for (uint32_t y = 0; y < 2; ++y) {
        for (uint32_t x = 0; x < 104; ++x) {
            const bool black = x < 100 && gray[y * 100 + x] < 160;
            EXPECT_EQ(image->gray[y * 104 + x], black ? 0 : 255);
            EXPECT_EQ((image->bin[y * 13 + x / 8] >> (7 - x % 8)) & 1, black ? 1 : 0) << x << "," << y;
        }
    }
    setting.invert = 1;
    KVImagePtr inverted = grayImage(100, 2, gray);
    ASSERT_EQ(getKVImageProcessingForCustom(inverted.get(), &setting, 0), 0);
    for (int i = 0; i < 26; ++i) EXPECT_EQ(inverted->bin[i], static_cast<uint8_t>(~image->bin[i]));
}

TEST_F(Chain, A4KeepsTheSizeAndTreatsBandsApart) {
    // White rows, text rows (black strokes on white), white rows, a grey photo band.
    const uint32_t w = 64;
    std::vector<uint8_t> gray = rowsOf(w, std::vector<uint8_t>(10, 255));
    for (int y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < w; ++x) gray.push_back(x % 8 < 2 ? 0 : 255);
    gray.insert(gray.end(), w * 4, 255);
    for (int y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < w; ++x) gray.push_back(static_cast<uint8_t>(60 + x * 2));
    const uint32_t h = static_cast<uint32_t>(gray.size() / w);
    KVImagePtr image = grayImage(w, h, gray);
    const PrintSetting setting = creatDefaultPrintSetting();
    ASSERT_EQ(getKVImageProcessingForA4(image.get(), &setting), 0);
    ASSERT_EQ(image->width, w);
    ASSERT_EQ(image->height, h);
    for (uint32_t i = 0; i < 10 * w; ++i) ASSERT_EQ(image->gray[i], 255);  // white band stays white
    for (uint32_t i = 0; i < 6 * w; ++i) ASSERT_EQ(image->gray[10 * w + i], gray[10 * w + i]);  // strokes exact
    // The photo band is dithered: both inks occur.
    const uint8_t* photo = image->gray + 20 * w;
    EXPECT_NE(std::count(photo, photo + 8 * w, 0), 0);
    EXPECT_NE(std::count(photo, photo + 8 * w, 255), 0);

    KVImagePtr again = grayImage(w, h, gray);
    ASSERT_EQ(getKVImageProcessingForA4(again.get(), &setting), 0);
    EXPECT_EQ(0, std::memcmp(again->bin, image->bin, w / 8 * h));  // fixed clock: same dots
}

TEST_F(Chain, TattooChainAddsTheFrame) {
    const PrintSetting setting = creatDefaultPrintSetting();
    for (uint32_t line : {0u, 1u}) {
        KVImagePtr image = grayImage(400, 300, std::vector<uint8_t>(400 * 300, 200));
        ASSERT_EQ(getKVImageProcessingForA4Tattoo(image.get(), &setting, line), 0);
        EXPECT_EQ(image->height, line ? 316u : 300u);
    }
    KVImage empty{};
    EXPECT_EQ(getKVImageProcessingForCustom(&empty, &setting, 0), 1);
    KVImagePtr noPlanes(creatKVImage(8, 8));
    EXPECT_EQ(getKVImageProcessingForCustom(noPlanes.get(), &setting, 0), 1);
}

TEST_F(Chain, ColourPictureIsConvertedFirst) {
    std::vector<uint8_t> rgba(10 * 3 * 4, 255);
    rgba[0] = rgba[1] = rgba[2] = 0;
    KVImagePtr image(creatKVImageWithRGBAData(rgba.data(), 10, 3));
    const PrintSetting setting = creatDefaultPrintSetting();
    ASSERT_EQ(getKVImageProcessingForCustom(image.get(), &setting, KVImageFlagCutImage), 0);
    EXPECT_EQ(image->width, 16u);
    EXPECT_EQ(image->bin[0], 0x80);
    for (int i = 1; i < 6; ++i) EXPECT_EQ(image->bin[i], 0);
}

}  // namespace
