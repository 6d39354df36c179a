// Byte-plane stages of the colour-to-print-data chain.
#include "image/device/print_chain_stages.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

struct DiffTap {
    int32_t dx;
    int32_t dy;
    int32_t weight;
};

// Stucki weights over 42.
constexpr DiffTap kStucki[] = {
    {1, 0, 8}, {2, 0, 4},  {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4},
    {2, 1, 2}, {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4},  {1, 2, 2}, {2, 2, 1},
};
// Floyd-Steinberg weights over 16.
constexpr DiffTap kFloydSteinberg[] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};

template <size_t N>
void spread(uint8_t* plane, uint32_t width, uint32_t height, uint32_t x, uint32_t y, int32_t error,
            const DiffTap (&taps)[N], int32_t divisor) {
    for (const DiffTap& t : taps) {
        const int64_t nx = int64_t{x} + t.dx;
        const int64_t ny = int64_t{y} + t.dy;
        if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
        uint8_t& p = plane[static_cast<size_t>(ny) * width + static_cast<size_t>(nx)];
        p = static_cast<uint8_t>(std::clamp(p + error * t.weight / divisor, 0, 255));
    }
}

// Sliding sums of 2r + 1 values along a line of n entries read through `at`,
// indices outside the line repeating the nearest end.
template <typename Read, typename Write>
void windowSums(int64_t n, int64_t r, Read at, Write put) {
    auto clampIndex = [n](int64_t i) { return std::clamp<int64_t>(i, 0, n - 1); };
    uint64_t sum = 0;
    for (int64_t d = -r; d <= r; ++d) sum += at(clampIndex(d));
    for (int64_t i = 0; i < n; ++i) {
        put(i, sum);
        sum += at(clampIndex(i + r + 1));
        sum -= at(clampIndex(i - r));
    }
}

}  // namespace

void rgb2Gray(const uint8_t* rgb, uint8_t* gray, uint32_t width, uint32_t height) {
    if (rgb == nullptr || gray == nullptr) return;
    const size_t n = size_t{width} * height;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = rgb + 3 * i;
        const float v = 0.2989f * p[0] + 0.587f * p[1] + 0.114f * p[2];
        gray[i] = static_cast<uint8_t>(std::min(static_cast<int32_t>(v), 255));
    }
}

void sharpening(const uint8_t* source, uint8_t* destination, uint32_t width, uint32_t height, int8_t radius,
                int8_t strength) {
    if (source == nullptr || destination == nullptr || width == 0 || height == 0) return;
    const size_t n = size_t{width} * height;
    if (radius < 1) {
        if (source != destination) std::memmove(destination, source, n);
        return;
    }
    const int64_t r = radius;
    std::vector<uint32_t> rows, box;
    try {
        rows.resize(n);
        box.resize(n);
    } catch (const std::bad_alloc&) {
        if (source != destination) std::memmove(destination, source, n);
        return;
    }
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* line = source + y * width;
        uint32_t* out = &rows[y * width];
        windowSums(
            width, r, [&](int64_t i) { return line[i]; },
            [&](int64_t i, uint64_t s) { out[i] = static_cast<uint32_t>(s); });
    }
    for (size_t x = 0; x < width; ++x) {
        windowSums(
            height, r, [&](int64_t i) { return rows[static_cast<size_t>(i) * width + x]; },
            [&](int64_t i, uint64_t s) { box[static_cast<size_t>(i) * width + x] = static_cast<uint32_t>(s); });
    }
    const int64_t divisor = 4 * r * (r + 1);
    for (size_t i = 0; i < n; ++i) {
        const int64_t c = source[i];
        const int64_t others = int64_t{box[i]} - c;
        const int64_t v = c * (strength + 1) - strength * others / divisor;
        destination[i] = static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
    }
}

void errDiffImg(uint8_t* plane, uint32_t width, uint32_t height, uint32_t kernel, uint32_t bilevel, uint8_t threshold) {
    if (plane == nullptr || kernel > 1 || bilevel > 1) return;
    if (bilevel == 1 && threshold == 0) threshold = 127;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t& p = plane[size_t{y} * width + x];
            const int32_t value = p;
            int32_t level;
            if (bilevel == 1) {
                level = value <= threshold ? 0 : 255;
            } else {
                level = value / 16 * 16;
            }
            p = static_cast<uint8_t>(level);
            const int32_t error = value - level;
            if (kernel == 1) {
                spread(plane, width, height, x, y, error, kFloydSteinberg, 16);
            } else {
                spread(plane, width, height, x, y, error, kStucki, 42);
            }
        }
    }
}

uint8_t getBestThreshold(const uint8_t* plane, uint32_t width, uint32_t height) {
    const uint64_t total = uint64_t{width} * height;
    if (plane == nullptr || total == 0) return 0;
    uint64_t hist[256] = {};
    for (uint64_t i = 0; i < total; ++i) ++hist[plane[i]];
    float p[256];
    for (int i = 0; i < 256; ++i) p[i] = static_cast<float>(hist[i]) / static_cast<float>(total);
    // Both classes are summed afresh from their own shares for every candidate
    // (not the upper class as 1 - w0), so that candidates of equal variance
    // really compare equal and the first of them wins.
    uint64_t count0 = 0;
    float best = 0.0f;
    uint8_t threshold = 0;
    for (int t = 0; t < 256; ++t) {
        count0 += hist[t];
        if (count0 == 0 || count0 == total) continue;  // one class is empty
        float w0 = 0.0f, w1 = 0.0f, sum0 = 0.0f, sum1 = 0.0f;
        for (int i = 0; i < 256; ++i) {
            if (i <= t) {
                w0 += p[i];
                sum0 += static_cast<float>(i) * p[i];
            } else {
                w1 += p[i];
                sum1 += static_cast<float>(i) * p[i];
            }
        }
        const float mu0 = sum0 / w0;
        const float mu1 = sum1 / w1;
        const float d = mu0 - mu1;
        const float variance = w0 * w1 * (d * d);
        if (variance > best) {
            best = variance;
            threshold = static_cast<uint8_t>(t);
        }
    }
    return threshold;
}

void gray2BinByte(const uint8_t* plane, uint8_t* out, uint32_t width, uint32_t height, uint8_t threshold) {
    if (plane == nullptr || out == nullptr) return;
    const size_t n = size_t{width} * height;
    for (size_t i = 0; i < n; ++i) {
        if (plane[i] < threshold) out[i >> 3] |= static_cast<uint8_t>(0x80u >> (i & 7));
    }
}

uint32_t gray256ToGray16(uint8_t* plane, uint32_t width, uint32_t height) {
    if (plane == nullptr) return height;
    const size_t n = size_t{width} * height;
    for (size_t i = 0; i < n; ++i) plane[i] = static_cast<uint8_t>(plane[i] / 16 * 16 + 8);
    return height;
}
