// Separable Gaussian blur of a grey plane and the unsharp mask built on it.
#include "image/tone.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

// Normalised single-precision weights of the 2 x radius + 1 taps.
std::vector<float> gaussianKernel(uint16_t radius) {
    const float sigma = radius / 2.0f;
    std::vector<float> weights(2u * radius + 1u);
    float sum = 0.0f;
    for (size_t i = 0; i < weights.size(); ++i) {
        const float d = static_cast<float>(static_cast<int>(i) - radius);
        const float quotient = -(d * d) / (2.0f * sigma * sigma);
        weights[i] = static_cast<float>(std::exp(static_cast<double>(quotient)));
        sum += weights[i];
    }
    for (float& w : weights) w /= sum;
    return weights;
}

uint8_t clampTruncate(float sum) {
    if (!(sum > 0.0f)) return 0;
    if (sum >= 255.0f) return 255;
    return static_cast<uint8_t>(static_cast<int>(sum));
}

// Horizontal pass: each row blurred along itself, edge columns repeated.
// Pixels whose taps all fall inside the row are summed tap by tap across the
// row (each pixel's sum still starts at 0 and adds the taps in order), which
// lets the compiler work on many pixels at once.
void blurRows(const uint8_t* source, uint8_t* destination, size_t width, size_t height,
              const std::vector<float>& weights, std::vector<float>& sums) {
    const int64_t radius = static_cast<int64_t>(weights.size() / 2);
    const int64_t last = static_cast<int64_t>(width) - 1;
    auto edgePixel = [&](const uint8_t* in, int64_t x) {
        float sum = 0.0f;
        for (size_t i = 0; i < weights.size(); ++i) {
            int64_t at = x + static_cast<int64_t>(i) - radius;
            at = at < 0 ? 0 : (at > last ? last : at);
            sum += weights[i] * in[at];
        }
        return clampTruncate(sum);
    };
    const int64_t inner = last - 2 * radius + 1;  // pixels radius .. last - radius
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* in = source + y * width;
        uint8_t* out = destination + y * width;
        if (inner <= 0) {
            for (int64_t x = 0; x <= last; ++x) out[x] = edgePixel(in, x);
            continue;
        }
        float* __restrict acc = sums.data();
        std::fill_n(acc, inner, 0.0f);
        for (size_t i = 0; i < weights.size(); ++i) {
            const float w = weights[i];
            const uint8_t* __restrict p = in + i;
            for (int64_t x = 0; x < inner; ++x) acc[x] += w * p[x];
        }
        for (int64_t x = 0; x < radius; ++x) out[x] = edgePixel(in, x);
        for (int64_t x = 0; x < inner; ++x) out[radius + x] = clampTruncate(acc[x]);
        for (int64_t x = radius + inner; x <= last; ++x) out[x] = edgePixel(in, x);
    }
}

// Vertical pass, edge rows repeated. Whole rows are accumulated tap by tap
// (the same sum, in the same order, per pixel) so memory is read row-wise.
void blurColumns(const uint8_t* source, uint8_t* destination, size_t width, size_t height,
                 const std::vector<float>& weights, std::vector<float>& sums) {
    const int64_t radius = static_cast<int64_t>(weights.size() / 2);
    const int64_t last = static_cast<int64_t>(height) - 1;
    for (int64_t y = 0; y <= last; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (size_t i = 0; i < weights.size(); ++i) {
            int64_t at = y + static_cast<int64_t>(i) - radius;
            at = at < 0 ? 0 : (at > last ? last : at);
            const uint8_t* in = source + static_cast<size_t>(at) * width;
            const float w = weights[i];
            float* __restrict acc = sums.data();
            for (size_t x = 0; x < width; ++x) acc[x] += w * in[x];
        }
        uint8_t* __restrict out = destination + static_cast<size_t>(y) * width;
        const float* __restrict acc = sums.data();
        for (size_t x = 0; x < width; ++x) out[x] = clampTruncate(acc[x]);
    }
}

}  // namespace

int32_t gaussianBlur(const uint8_t* source, uint8_t* destination, uint32_t width, uint32_t height, uint16_t radius) {
    const size_t pixels = kvImagePixelCount(width, height);
    if (source == nullptr || destination == nullptr || pixels == 0 || radius == 0) return 1;
    std::vector<uint8_t> temporary;
    std::vector<float> weights;
    std::vector<float> sums;
    try {
        temporary.resize(pixels);
        sums.resize(width);
        weights = gaussianKernel(radius);
    } catch (const std::bad_alloc&) {
        return 2;
    }
    blurRows(source, temporary.data(), width, height, weights, sums);
    blurColumns(temporary.data(), destination, width, height, weights, sums);
    return 0;
}

int32_t KVImageSharpenNormal(KVImage* band, uint16_t radius, float amount) {
    if (band == nullptr || band->gray == nullptr) return 1;
    const size_t pixels = kvImagePixelCount(band->width, band->height);
    if (pixels == 0) return 1;
    std::vector<uint8_t> blurred;
    try {
        blurred.resize(pixels);
    } catch (const std::bad_alloc&) {
        return 2;
    }
    const int32_t result = gaussianBlur(band->gray, blurred.data(), band->width, band->height, radius);
    if (result != 0) return result;
    uint8_t* gray = band->gray;
    for (size_t i = 0; i < pixels; ++i) {
        const float difference = static_cast<float>(gray[i] - blurred[i]);
        float change = difference * amount;
        // Limit before the integer conversion; the sum is limited to 0..255 anyway.
        if (!(change > -1024.0f)) change = change != change ? 0.0f : -1024.0f;
        if (change > 1024.0f) change = 1024.0f;
        const int value = gray[i] + static_cast<int>(change);
        gray[i] = static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
    }
    return 0;
}
