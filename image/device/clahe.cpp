// CLAHE: per-region clipped histograms mapped to grey levels, pixels blended
// bilinearly between the maps of the four nearest region centres.
#include "image/device/clahe.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "base/debug_log.h"

namespace {

constexpr uint64_t kUnclippedLimit = 1u << 14;

// Grey level to bin. The bin size is kept in a full-width integer so one bin
// over the whole range (size 256) can't wrap to 0.
void makeLut(uint8_t lut[256], uint8_t min, uint8_t max, uint32_t nrBins) {
    const uint32_t binSize = 1 + (max - min) / nrBins;
    std::fill(lut, lut + 256, uint8_t{0});
    for (uint32_t i = min; i <= max; ++i) lut[i] = static_cast<uint8_t>((i - min) / binSize);
}

void makeHistogram(const uint8_t* region, uint32_t xRes, uint32_t sizeX, uint32_t sizeY, uint64_t* hist,
                   uint32_t nrBins, const uint8_t* lut) {
    std::fill(hist, hist + nrBins, uint64_t{0});
    for (uint32_t y = 0; y < sizeY; ++y) {
        const uint8_t* row = region + size_t{y} * xRes;
        for (uint32_t x = 0; x < sizeX; ++x) ++hist[lut[row[x]]];
    }
}

// Hands the excess one count at a time to every step-th bin still below the
// limit, until nothing is left or a whole pass finds no room.
void redistributeRest(uint64_t* hist, uint32_t nrBins, uint64_t limit, uint64_t excess) {
    while (excess > 0) {
        const uint64_t before = excess;
        for (uint32_t start = 0; start < nrBins && excess > 0; ++start) {
            const uint64_t step = std::max<uint64_t>(1, nrBins / excess);
            for (uint64_t i = start; i < nrBins && excess > 0; i += step) {
                if (hist[i] < limit) {
                    ++hist[i];
                    --excess;
                }
            }
        }
        if (excess == before) return;
    }
}

void clipHistogram(uint64_t* hist, uint32_t nrBins, uint64_t limit) {
    uint64_t excess = 0;
    for (uint32_t i = 0; i < nrBins; ++i) {
        if (hist[i] > limit) excess += hist[i] - limit;
    }
    const uint64_t binIncr = excess / nrBins;
    // When the even share alone exceeds the limit every bin below it takes the share.
    const uint64_t upper = limit >= binIncr ? limit - binIncr : 0;
    for (uint32_t i = 0; i < nrBins; ++i) {
        if (hist[i] > limit) {
            hist[i] = limit;
        } else if (binIncr <= limit && hist[i] > upper) {
            excess -= hist[i] - upper;
            hist[i] = limit;
        } else {
            excess -= binIncr;
            hist[i] += binIncr;
        }
    }
    redistributeRest(hist, nrBins, limit, excess);
}

void mapHistogram(uint64_t* hist, uint8_t min, uint8_t max, uint32_t nrBins, uint64_t nrPixels) {
    const float scale = static_cast<float>(max - min) / static_cast<float>(nrPixels);
    uint64_t sum = 0;
    for (uint32_t i = 0; i < nrBins; ++i) {
        sum += hist[i];
        hist[i] = static_cast<uint64_t>(static_cast<float>(min) + static_cast<float>(sum) * scale);
        if (hist[i] > max) hist[i] = max;
    }
}

struct Maps {
    const uint64_t* lu;
    const uint64_t* ru;
    const uint64_t* lb;
    const uint64_t* rb;
};

// Blends one block of subX x subY pixels between the four maps.
void interpolate(uint8_t* block, uint32_t xRes, const Maps& m, uint32_t subX, uint32_t subY, const uint8_t* lut) {
    const uint64_t num = uint64_t{subX} * subY;
    if (num == 0) return;
    for (uint32_t yc = 0, yi = subY; yc < subY; ++yc, --yi) {
        uint8_t* p = block + size_t{yc} * xRes;
        for (uint32_t xc = 0, xi = subX; xc < subX; ++xc, --xi) {
            const uint8_t g = lut[p[xc]];
            p[xc] =
                static_cast<uint8_t>((yi * (xi * m.lu[g] + xc * m.ru[g]) + yc * (xi * m.lb[g] + xc * m.rb[g])) / num);
        }
    }
}

// One band of the interpolation grid: index k of 0..n, region size s, total
// size `total`. The first and last bands are the border halves; the last one
// takes any odd remainder so every pixel is covered exactly once.
struct Band {
    uint32_t start, size, lo, hi;
};

Band bandAt(uint32_t k, uint32_t n, uint32_t s, uint32_t total) {
    if (k == 0) return {0, s >> 1, 0, 0};
    const uint32_t start = (s >> 1) + (k - 1) * s;
    if (k == n) return {start, total - start, n - 1, n - 1};
    return {start, s, k - 1, k};
}

int checkArguments(uint32_t xRes, uint32_t yRes, uint8_t min, uint8_t max, uint32_t nrX, uint32_t nrY) {
    if (nrX > xRes) return -1;
    if (nrY > yRes) return -2;
    if (nrX != 0 && xRes % nrX != 0) return -3;
    if (nrY != 0 && yRes % nrY != 0) return -4;
    if (min >= max) return -6;
    if (nrX < 2 || nrY < 2) return -7;
    return 0;
}

}  // namespace

int CLAHE(uint8_t* image, uint32_t xRes, uint32_t yRes, uint8_t min, uint8_t max, uint32_t nrX, uint32_t nrY,
          uint32_t nrBins, float clipLimit) {
    if (const int error = checkArguments(xRes, yRes, min, max, nrX, nrY); error != 0 || image == nullptr) {
        return error != 0 ? error : -1;
    }
    if (clipLimit == 1.0f) return 0;
    if (nrBins == 0) nrBins = 128;
    std::vector<uint64_t> maps;
    try {
        maps.resize(size_t{nrX} * nrY * nrBins);
    } catch (const std::bad_alloc&) {
        return -8;
    }
    const uint32_t sizeX = xRes / nrX, sizeY = yRes / nrY;
    const uint64_t nrPixels = uint64_t{sizeX} * sizeY;
    uint64_t limit = kUnclippedLimit;
    if (clipLimit > 0.0f) {
        limit = static_cast<uint64_t>(clipLimit * static_cast<float>(nrPixels) / static_cast<float>(nrBins));
        limit = std::max<uint64_t>(limit, 1);
    }
    uint8_t lut[256];
    makeLut(lut, min, max, nrBins);
    for (uint32_t ry = 0; ry < nrY; ++ry) {
        for (uint32_t rx = 0; rx < nrX; ++rx) {
            uint64_t* hist = &maps[size_t{nrBins} * (size_t{ry} * nrX + rx)];
            makeHistogram(image + size_t{ry} * sizeY * xRes + size_t{rx} * sizeX, xRes, sizeX, sizeY, hist, nrBins,
                          lut);
            clipHistogram(hist, nrBins, limit);
            mapHistogram(hist, min, max, nrBins, nrPixels);
        }
    }
    auto map = [&](uint32_t ry, uint32_t rx) { return &maps[size_t{nrBins} * (size_t{ry} * nrX + rx)]; };
    for (uint32_t by = 0; by <= nrY; ++by) {
        const Band v = bandAt(by, nrY, sizeY, yRes);
        for (uint32_t bx = 0; bx <= nrX; ++bx) {
            const Band h = bandAt(bx, nrX, sizeX, xRes);
            const Maps m{map(v.lo, h.lo), map(v.lo, h.hi), map(v.hi, h.lo), map(v.hi, h.hi)};
            interpolate(image + size_t{v.start} * xRes + h.start, xRes, m, h.size, v.size, lut);
        }
    }
    return 0;
}

namespace {

// Smallest count from `wanted` upward that divides `size`; `wanted` itself when
// that would be the whole size (or no count up to the size divides it).
uint32_t regionCount(uint32_t wanted, uint32_t size) {
    for (uint32_t n = std::max<uint32_t>(wanted, 1); n < size; ++n) {
        if (size % n == 0) return n;
    }
    return wanted;
}

}  // namespace

int imageHeightenHistogram(const uint8_t* source, uint8_t* destination, uint32_t width, uint32_t height, uint8_t tilesX,
                           uint8_t tilesY, uint8_t bins, uint8_t clipLimit) {
    if (source == nullptr || destination == nullptr) return -1;
    const size_t n = size_t{width} * height;
    if (source != destination) std::memcpy(destination, source, n);
    if (n == 0) return -1;
    const uint32_t nrX = regionCount(tilesX, width);
    const uint32_t nrY = regionCount(tilesY, height);
    const auto [lo, hi] = std::minmax_element(source, source + n);
    // CLAHE changes nothing when it refuses, so the destination still equals the source.
    return CLAHE(destination, width, height, *lo, *hi, nrX, nrY, bins, static_cast<float>(clipLimit));
}

void rgbHeightenHistogram(const uint8_t* rgb, uint8_t* work, uint32_t width, uint32_t height, uint8_t tilesX,
                          uint8_t tilesY, uint8_t bins, uint8_t clipLimit) {
    if (rgb == nullptr || work == nullptr) return;
    const size_t n = size_t{width} * height;
    uint8_t* planes[3] = {work + 3 * n, work + 4 * n, work + 5 * n};
    for (size_t i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) planes[c][i] = rgb[3 * i + c];
    }
    const char* notes[3] = {"-->>111", "-->>222", "-->>333"};
    for (int c = 0; c < 3; ++c) {
        kvPrintf("%s", notes[c]);
        imageHeightenHistogram(planes[c], planes[c], width, height, tilesX, tilesY, bins, clipLimit);
    }
    for (size_t i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) work[3 * i + c] = planes[c][i];
    }
}
