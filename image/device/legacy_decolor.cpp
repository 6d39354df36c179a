// Real-time contrast-preserving decolourisation (sigma 0.05) and the bitmap
// front end that feeds it pixels of several depths.
#include "image/device/legacy_decolor.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/seams.h"

bool isExistMultiformat = false;

namespace {

struct WeightTable {
    uint8_t w[66][3];
    constexpr WeightTable() : w{} {
        int k = 0;
        for (int a = 0; a <= 10; ++a) {
            for (int b = 0; b <= 10 - a; ++b) {
                w[k][0] = static_cast<uint8_t>(a);
                w[k][1] = static_cast<uint8_t>(b);
                w[k][2] = static_cast<uint8_t>(10 - a - b);
                ++k;
            }
        }
    }
};
constexpr WeightTable kWeights{};

// When no candidate scores above the lowest float: (0.3, 0.6, 0.1).
constexpr int kFallbackCandidate = 36;
constexpr double kSigmaSquared = 0.05 * 0.05;

struct Sample {
    double c[3];  // bytes 2, 1, 0 of the pixel, / 255
};

std::vector<Sample> samplePixels(int32_t height, int32_t width, int32_t rowBytes, const uint8_t* pixels, int32_t bpp) {
    const double scale = 64.0 / std::sqrt(static_cast<double>(width) * height);
    const int32_t sw = std::max<int32_t>(1, static_cast<int32_t>(std::lround(width * scale)));
    const int32_t sh = std::max<int32_t>(1, static_cast<int32_t>(std::lround(height * scale)));
    std::vector<Sample> samples(static_cast<size_t>(sw) * static_cast<size_t>(sh));
    for (int32_t y = 0; y < sh; ++y) {
        const int32_t srcY = std::min(height - 1, static_cast<int32_t>((y + 0.5) / scale));
        for (int32_t x = 0; x < sw; ++x) {
            const int32_t srcX = std::min(width - 1, static_cast<int32_t>((x + 0.5) / scale));
            const uint8_t* p = pixels + static_cast<size_t>(srcY) * rowBytes + static_cast<size_t>(srcX) * bpp;
            samples[static_cast<size_t>(y) * sw + x] = {{p[2] / 255.0, p[1] / 255.0, p[0] / 255.0}};
        }
    }
    return samples;
}

// Index into kWeights of the triple that best keeps the pairs' contrast.
int bestCandidate(const std::vector<Sample>& samples) {
    const std::vector<int32_t> partner = GetRandArray(static_cast<int32_t>(samples.size()));
    std::vector<double> diff(samples.size() * 3);
    std::vector<double> contrast(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample& a = samples[i];
        const Sample& b = samples[static_cast<size_t>(partner[i])];
        double squares = 0.0;
        for (int k = 0; k < 3; ++k) {
            diff[3 * i + k] = a.c[k] - b.c[k];
            squares += diff[3 * i + k] * diff[3 * i + k];
        }
        contrast[i] = std::sqrt(squares) * 0.70710678;
    }
    int best = kFallbackCandidate;
    float bestScore = -FLT_MAX;
    for (int k = 0; k < 66; ++k) {
        const double w0 = kWeights.w[k][0] / 10.0, w1 = kWeights.w[k][1] / 10.0, w2 = kWeights.w[k][2] / 10.0;
        double sum = 0.0;
        for (size_t i = 0; i < samples.size(); ++i) {
            const double g = w0 * diff[3 * i] + w1 * diff[3 * i + 1] + w2 * diff[3 * i + 2];
            const double c = contrast[i];
            sum +=
                std::log(std::exp(-(g + c) * (g + c) / kSigmaSquared) + std::exp(-(g - c) * (g - c) / kSigmaSquared));
        }
        const float score = static_cast<float>(sum / static_cast<double>(samples.size()));
        if (score > bestScore) {
            bestScore = score;
            best = k;
        }
    }
    return best;
}

int lightStep(float light) { return static_cast<int>(light * 255.0f); }

uint8_t clampByte(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

bool usablePixels(int32_t height, int32_t width, int32_t rowBytes, const uint8_t* pixels, int32_t bpp,
                  const uint8_t* out) {
    return pixels != nullptr && out != nullptr && width > 0 && height > 0 && (bpp == 24 || bpp == 32) &&
           rowBytes >= width * (bpp / 8);
}

}  // namespace

const uint8_t Wei[66][3] = {
#define KV_W(k) \
    { kWeights.w[k][0], kWeights.w[k][1], kWeights.w[k][2] }
    KV_W(0),  KV_W(1),  KV_W(2),  KV_W(3),  KV_W(4),  KV_W(5),  KV_W(6),  KV_W(7),  KV_W(8),  KV_W(9),  KV_W(10),
    KV_W(11), KV_W(12), KV_W(13), KV_W(14), KV_W(15), KV_W(16), KV_W(17), KV_W(18), KV_W(19), KV_W(20), KV_W(21),
    KV_W(22), KV_W(23), KV_W(24), KV_W(25), KV_W(26), KV_W(27), KV_W(28), KV_W(29), KV_W(30), KV_W(31), KV_W(32),
    KV_W(33), KV_W(34), KV_W(35), KV_W(36), KV_W(37), KV_W(38), KV_W(39), KV_W(40), KV_W(41), KV_W(42), KV_W(43),
    KV_W(44), KV_W(45), KV_W(46), KV_W(47), KV_W(48), KV_W(49), KV_W(50), KV_W(51), KV_W(52), KV_W(53), KV_W(54),
    KV_W(55), KV_W(56), KV_W(57), KV_W(58), KV_W(59), KV_W(60), KV_W(61), KV_W(62), KV_W(63), KV_W(64), KV_W(65),
#undef KV_W
};

std::vector<int32_t> GetRandArray(int32_t n) {
    kvSrand(static_cast<unsigned>(kvTime()));
    std::vector<int32_t> pool(static_cast<size_t>(std::max(n, 0)));
    for (int32_t i = 0; i < n; ++i) pool[static_cast<size_t>(i)] = i;
    std::vector<int32_t> result(pool.size());
    for (int32_t k = 0; k < n; ++k) {
        const int32_t live = n - k;
        const int32_t pos = kvRand() % live;
        result[static_cast<size_t>(k)] = pool[static_cast<size_t>(pos)];
        pool[static_cast<size_t>(pos)] = pool[static_cast<size_t>(live - 1)];
    }
    return result;
}

int RealTimeRGB2gray(int32_t height, int32_t width, int32_t rowBytes, const uint8_t* pixels, int32_t bitsPerPixel,
                     uint8_t* out) {
    if (!usablePixels(height, width, rowBytes, pixels, bitsPerPixel, out)) return 0;
    const int32_t bpp = bitsPerPixel / 8;
    int candidate = kFallbackCandidate;
    try {
        candidate = bestCandidate(samplePixels(height, width, rowBytes, pixels, bpp));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const int w0 = kWeights.w[candidate][0] * 100, w1 = kWeights.w[candidate][1] * 100,
              w2 = kWeights.w[candidate][2] * 100;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * rowBytes;
        uint8_t* dst = out + static_cast<size_t>(y) * width;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + static_cast<size_t>(x) * bpp;
            dst[x] = static_cast<uint8_t>((w0 * p[2] + w1 * p[1] + w2 * p[0] + 500) / 1000);
        }
    }
    return 1;
}

int RealTimeRGB2grayAddlight(int32_t height, int32_t width, int32_t rowBytes, const uint8_t* pixels,
                             int32_t bitsPerPixel, uint8_t* out, float light) {
    if (RealTimeRGB2gray(height, width, rowBytes, pixels, bitsPerPixel, out) == 0) return 0;
    const int32_t bpp = bitsPerPixel / 8;
    const int add = lightStep(light);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = pixels + static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x) * bpp;
            if (p[0] == p[1] && p[1] == p[2] && (p[0] == 90 || p[0] == 91)) {
                uint8_t& g = out[static_cast<size_t>(y) * width + x];
                g = clampByte(g + add);
            }
        }
    }
    return 0;
}
