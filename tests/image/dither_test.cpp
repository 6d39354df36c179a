// Dithers and thresholding: the generator, the kernels' rules, the scan
// directions and the edge cases of small bands. The optimised error diffusion
// is checked against a plain whole-plane version written from the rules.
#include "image/dither.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/seams.h"

namespace {

struct Band {
    KVImagePtr image;
    Band(uint32_t w, uint32_t h, const std::vector<uint8_t>& gray) : image(creatKVImage(w, h)) {
        image->gray = static_cast<uint8_t*>(std::malloc(gray.size()));
        std::memcpy(image->gray, gray.data(), gray.size());
    }
    std::vector<uint8_t> gray() const {
        return {image->gray, image->gray + static_cast<size_t>(image->width) * image->height};
    }
};

std::vector<uint8_t> noise(size_t n, unsigned salt) {
    std::vector<uint8_t> v(n);
    uint32_t s = 12345 + salt;
    for (auto& b : v) {
        s = s * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(s >> 24);
    }
    return v;
}

// Whole-plane error diffusion exactly as the rules read; with `jitter` the
// threshold of every pixel is drawn from the generator as it stands.
std::vector<uint8_t> referenceDiffusion(std::vector<uint8_t> gray, int w, int h, uint32_t direction,
                                        const ErrorKernel& k, uint32_t jitter = 0) {
    std::vector<float> work(gray.begin(), gray.end());
    for (int y = 0; y < h; ++y) {
        const bool rtl = direction == 0 ? false : (direction == 1 ? (y % 2 == 1) : true);
        for (int i = 0; i < w; ++i) {
            const int x = rtl ? w - 1 - i : i;
            const float old = work[y * w + x];
            const float threshold = jitter != 0 ? static_cast<float>(128.0f + (simpleRand() - 0.5) * 20.0) : 128.0f;
            const float out = old > threshold ? 255.0f : 0.0f;
            gray[y * w + x] = static_cast<uint8_t>(out);
            const float error = old - out;
            for (int t = 0; t < k.count; ++t) {
                const int tx = x + (rtl ? -k.taps[t].dx : k.taps[t].dx), ty = y + k.taps[t].dy;
                if (tx >= 0 && tx < w && ty >= 0 && ty < h) work[ty * w + tx] += k.taps[t].weight * error;
            }
        }
    }
    return gray;
}

struct SeedReset : ::testing::Test {
    void TearDown() override {
        setKvClock(nullptr);
        seed = 1;
    }
};
using Dither = SeedReset;

TEST_F(Dither, SimpleRandFollowsTheGenerator) {
    seed = 1;
    EXPECT_EQ(simpleRand(), static_cast<float>(1103527590.0 / 2147483648.0));
    EXPECT_EQ(seed, 1103527590u);
    seed = 0x7FFFFFFF;  // the low 31 bits are kept
    simpleRand();
    EXPECT_EQ(seed, (0x7FFFFFFFu * 1103515245u + 12345u) & 0x7FFFFFFFu);
    EXPECT_EQ(getThreshold(0), 128.0f);
    for (int i = 0; i < 1000; ++i) {
        const float t = getThreshold(1);
        ASSERT_GE(t, 118.0f);
        ASSERT_LE(t, 138.0f);
    }
}

TEST_F(Dither, KernelWeightsAreTheirFractions) {
    const struct {
        const ErrorKernel* kernel;
        int taps;
        float total;
    } kernels[] = {{&floydSteinbergAlgo, 4, 16}, {&burkesAlgo, 7, 32}, {&sierraAlgo, 10, 32}, {&jarvisAlgo, 12, 48}};
    for (const auto& k : kernels) {
        ASSERT_EQ(k.kernel->count, k.taps);
        float sum = 0;
        for (int t = 0; t < k.taps; ++t) {
            const ErrorTap& tap = k.kernel->taps[t];
            // Only pixels not yet visited: right on the same row, or below.
            EXPECT_TRUE(tap.dy > 0 || (tap.dy == 0 && tap.dx > 0));
            sum += tap.weight * k.total;
        }
        EXPECT_FLOAT_EQ(sum, k.total);
    }
    EXPECT_EQ(jarvisCoeffs[0].weight, 7.0f / 48.0f);
}

TEST_F(Dither, ErrorDiffusionMatchesTheWholePlaneRules) {
    // A caller's own kernel may reach further than the built-in ones.
    static const ErrorTap wideTaps[] = {{4, 0, 0.25f}, {-3, 1, 0.25f}, {0, 3, 0.25f}, {1, 2, 0.125f}, {0, -1, 0.5f}};
    static const ErrorKernel wide = {wideTaps, 5};
    const ErrorKernel* kernels[] = {&floydSteinbergAlgo, &burkesAlgo, &sierraAlgo, &jarvisAlgo, &wide};
    const struct { int w, h; } sizes[] = {{37, 23}, {1, 5}, {3, 1}, {2, 2}};
    for (const ErrorKernel* kernel : kernels) {
        for (const auto& size : sizes) {
            for (uint32_t direction : {0u, 1u, 2u}) {
                const auto input = noise(static_cast<size_t>(size.w) * size.h, direction);
                Band band(size.w, size.h, input);
                ASSERT_EQ(errorDiffusion(band.image.get(), direction, 0, kernel), 0);
                EXPECT_EQ(band.gray(), referenceDiffusion(input, size.w, size.h, direction, *kernel))
                    << kernel->count << " taps, " << size.w << "x" << size.h << ", direction " << direction;
            }
        }
    }
}

TEST_F(Dither, AtkinsonMatchesTheWholePlaneRules) {
    // Atkinson runs its own loop: the same dots as its six taps of 1/8 read
    // from the rules, with and without jitter, in every direction and on
    // bands smaller than its reach.
    static const ErrorTap taps[] = {{1, 0, 0.125f}, {2, 0, 0.125f}, {-1, 1, 0.125f},
                                    {0, 1, 0.125f}, {1, 1, 0.125f}, {0, 2, 0.125f}};
    static const ErrorKernel kernel = {taps, 6};
    setKvClock([]() -> std::time_t { return 1700000000; });
    const struct { int w, h; } sizes[] = {{203, 31}, {1, 5}, {2, 1}, {3, 2}, {4, 3}};
    for (const auto& size : sizes) {
        for (uint32_t direction : {0u, 1u, 2u}) {
            for (uint32_t jitter : {0u, 1u}) {
                const auto input = noise(static_cast<size_t>(size.w) * size.h, direction + 3 * jitter);
                Band band(size.w, size.h, input);
                ASSERT_EQ(KVImageAtkinsonDither(band.image.get(), direction, jitter), 0);
                const uint32_t after = seed;
                seed = 1700000000u;
                EXPECT_EQ(band.gray(), referenceDiffusion(input, size.w, size.h, direction, kernel, jitter))
                    << size.w << "x" << size.h << ", direction " << direction << ", jitter " << jitter;
                if (jitter != 0) {
                    EXPECT_EQ(seed, after);
                }
            }
        }
    }
}

TEST_F(Dither, RightToLeftRowsMirrorTheKernel) {
    // Scanning every row right to left is the mirror image of scanning the
    // mirrored band left to right.
    const int w = 29, h = 11;
    const auto input = noise(w * h, 7);
    std::vector<uint8_t> mirrored(input.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) mirrored[y * w + x] = input[y * w + (w - 1 - x)];
    using Fn = int32_t (*)(KVImage*, uint32_t, uint32_t);
    for (Fn dither : {Fn(KVImageFloydSteinbergDither), Fn(KVImageJarvisJudiceNinkeDither), Fn(KVImageAtkinsonDither)}) {
        Band a(w, h, input), b(w, h, mirrored);
        ASSERT_EQ(dither(a.image.get(), 2, 0), 0);
        ASSERT_EQ(dither(b.image.get(), 0, 0), 0);
        const auto ga = a.gray(), gb = b.gray();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(ga[y * w + x], gb[y * w + (w - 1 - x)]) << x << "," << y;
    }
}

TEST_F(Dither, UniformBandsWithoutJitter) {
    using Fn = int32_t (*)(KVImage*, uint32_t, uint32_t);
    for (Fn dither : {Fn(KVImageFloydSteinbergDither), Fn(KVImageBurkesDither), Fn(KVImageSierraDither),
                      Fn(KVImageJarvisJudiceNinkeDither), Fn(KVImageAtkinsonDither)}) {
        for (uint8_t value : {uint8_t{0}, uint8_t{255}}) {
            Band band(9, 7, std::vector<uint8_t>(63, value));
            ASSERT_EQ(dither(band.image.get(), 1, 0), 0);
            EXPECT_EQ(band.gray(), std::vector<uint8_t>(63, value));
        }
        Band grey(9, 7, std::vector<uint8_t>(63, 128));
        ASSERT_EQ(dither(grey.image.get(), 1, 0), 0);
        EXPECT_EQ(grey.image->gray[0], 0);  // 128 is not above the threshold 128
    }
}

TEST_F(Dither, AtkinsonDropsTwoEighthsAndPassesOnlyDownOnWidthOne) {
    // One column of 100: pixel 0 goes black with error 100; rows 1 and 2
    // each get 12.5, so row 1 holds 112.5 (black) and row 2 gets 12.5 + 14.0625.
    Band band(1, 3, {100, 100, 100});
    ASSERT_EQ(KVImageAtkinsonDither(band.image.get(), 0, 0), 0);
    EXPECT_EQ(band.gray(), (std::vector<uint8_t>{0, 0, 0}));
    Band bright(1, 3, {120, 120, 120});
    ASSERT_EQ(KVImageAtkinsonDither(bright.image.get(), 0, 0), 0);
    // 120, 135 (white, error -120), 120 + 15 - 15 = 120.
    EXPECT_EQ(bright.gray(), (std::vector<uint8_t>{0, 255, 0}));
}

TEST_F(Dither, OrderedBayerUsesTheMatrixTimesSixteen) {
    const int w = 8, h = 8;
    Band band(w, h, std::vector<uint8_t>(w * h, 100));
    ASSERT_EQ(KVImageOrderedBayerDither(band.image.get(), 1, 0), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(band.image->gray[y * w + x], bayerMatrix[y % 4][x % 4] <= 6 ? 255 : 0) << x << "," << y;
}

TEST_F(Dither, RandomDitherContinuesTheGenerator) {
    seed = 1;
    Band band(4, 1, std::vector<uint8_t>(4, 130));
    ASSERT_EQ(KVImageRandomDither(band.image.get(), 0, 0), 0);
    seed = 1;
    for (int x = 0; x < 4; ++x) EXPECT_EQ(band.image->gray[x], 130.0f > simpleRand() * 255 ? 255 : 0);
}

TEST_F(Dither, JitterReseedsFromTheClock) {
    setKvClock([]() -> std::time_t { return 1700000000; });
    const auto input = noise(64 * 16, 3);
    Band a(64, 16, input), b(64, 16, input);
    seed = 99;
    ASSERT_EQ(KVImageAtkinsonDither(a.image.get(), 1, 1), 0);
    seed = 12345;
    ASSERT_EQ(KVImageAtkinsonDither(b.image.get(), 1, 1), 0);
    EXPECT_EQ(a.gray(), b.gray());
    uint32_t expected = 1700000000u;
    for (int i = 0; i < 64 * 16; ++i) expected = (expected * 1103515245u + 12345u) & 0x7FFFFFFFu;
    EXPECT_EQ(seed, expected);  // one draw per pixel after the reseed
}

TEST_F(Dither, ThresholdingAndBadBands) {
    Band band(2, 1, {127, 128});
    ASSERT_EQ(KVImageThresholding(band.image.get(), 128), 0);
    EXPECT_EQ(band.gray(), (std::vector<uint8_t>{0, 255}));
    KVImage empty{};
    EXPECT_EQ(KVImageThresholding(nullptr, 128), 1);
    EXPECT_EQ(KVImageFloydSteinbergDither(&empty, 0, 0), 1);
    EXPECT_EQ(KVImageAtkinsonDither(nullptr, 0, 0), 1);
    EXPECT_EQ(KVImageOrderedBayerDither(&empty, 0, 0), 1);
    EXPECT_EQ(KVImageRandomDither(&empty, 0, 0), 1);
}

}  // namespace
