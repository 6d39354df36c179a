// Dithers and plain thresholding of a band's grey plane, and the linear
// congruential generator that jitters their thresholds.
//
// The error-diffusion dithers keep a rolling window of single-precision rows,
// as many as the kernel reaches down (three for every kernel here), so a band
// of any height costs 12 bytes per column of work memory and stays in cache.
#include "image/dither.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "base/seams.h"
#include "image/pack_bits.h"

const ErrorTap floydSteinbergCoeffs[4] = {{1, 0, 7.0f / 16}, {-1, 1, 3.0f / 16}, {0, 1, 5.0f / 16}, {1, 1, 1.0f / 16}};
const ErrorTap burkesCoeffs[7] = {{1, 0, 8.0f / 32}, {2, 0, 4.0f / 32}, {-2, 1, 2.0f / 32}, {-1, 1, 4.0f / 32},
                                  {0, 1, 8.0f / 32}, {1, 1, 4.0f / 32}, {2, 1, 2.0f / 32}};
const ErrorTap sierraCoeffs[10] = {{1, 0, 5.0f / 32}, {2, 0, 3.0f / 32}, {-2, 1, 2.0f / 32}, {-1, 1, 4.0f / 32},
                                   {0, 1, 5.0f / 32}, {1, 1, 4.0f / 32}, {2, 1, 2.0f / 32},  {-1, 2, 2.0f / 32},
                                   {0, 2, 3.0f / 32}, {1, 2, 2.0f / 32}};
const ErrorTap jarvisCoeffs[12] = {{1, 0, 7.0f / 48},  {2, 0, 5.0f / 48}, {-2, 1, 3.0f / 48}, {-1, 1, 5.0f / 48},
                                   {0, 1, 7.0f / 48},  {1, 1, 5.0f / 48}, {2, 1, 3.0f / 48},  {-2, 2, 1.0f / 48},
                                   {-1, 2, 3.0f / 48}, {0, 2, 5.0f / 48}, {1, 2, 3.0f / 48},  {2, 2, 1.0f / 48}};
const ErrorKernel floydSteinbergAlgo = {floydSteinbergCoeffs, 4};
const ErrorKernel burkesAlgo = {burkesCoeffs, 7};
const ErrorKernel sierraAlgo = {sierraCoeffs, 10};
const ErrorKernel jarvisAlgo = {jarvisCoeffs, 12};

const float bayerMatrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

uint32_t seed = 1;

namespace {

bool validBand(const KVImage* band) {
    return band != nullptr && band->gray != nullptr && kvImagePixelCount(band->width, band->height) != 0;
}

bool rightToLeft(uint32_t direction, uint32_t y) {
    if (direction == 0) return false;
    if (direction == 1) return (y & 1u) != 0;
    return true;
}

void reseedIfJittered(uint32_t jitter) {
    if (jitter != 0) seed = static_cast<uint32_t>(kvTime());
}

// One generator step on a local copy of the state (the loops keep it in a
// register and store it back after each row): seed / 2^31 in single precision.
inline float nextRand(uint32_t& state) {
    state = (state * 1103515245u + 12345u) & 0x7FFFFFFFu;
    return static_cast<float>(static_cast<float>(state) / 2147483648.0);
}

inline float thresholdFrom(uint32_t& state, uint32_t jitter) {
    float threshold = 128.0f;
    if (jitter != 0) threshold = static_cast<float>(threshold + (nextRand(state) - 0.5) * 20.0);
    return threshold;
}

// A tap resolved for one row: its target row in the window and its column step.
struct RowTap {
    float* row;
    int64_t dx;
    float weight;
};

// How far a kernel reaches: rows of the work window (the pixel's own row and
// those below it that a tap reaches, no more than the band has) and the
// largest column step either way.
struct KernelReach {
    uint32_t rows;
    int64_t columns;
};

KernelReach kernelReach(const ErrorKernel* kernel, uint32_t height) {
    KernelReach reach{1, 0};
    for (int32_t i = 0; i < kernel->count; ++i) {
        const ErrorTap& tap = kernel->taps[i];
        if (tap.dy < 0 || static_cast<uint32_t>(tap.dy) >= height) continue;  // never a pixel still to come
        reach.rows = std::max(reach.rows, static_cast<uint32_t>(tap.dy) + 1);
        reach.columns = std::max(reach.columns, std::abs(static_cast<int64_t>(tap.dx)));
    }
    return reach;
}

// processPixel: threshold one work value, write the output and spread the error.
inline void processPixel(float* work, uint8_t* out, int64_t x, int64_t width, uint32_t jitter, const RowTap* taps,
                         size_t tapCount, int64_t reach) {
    const float old = work[x];
    const float threshold = getThreshold(jitter);
    const float value = old > threshold ? 255.0f : 0.0f;
    out[x] = old > threshold ? 255 : 0;
    const float error = old - value;
    if (x >= reach && x + reach < width) {
        for (size_t t = 0; t < tapCount; ++t) taps[t].row[x + taps[t].dx] += taps[t].weight * error;
        return;
    }
    for (size_t t = 0; t < tapCount; ++t) {
        const int64_t target = x + taps[t].dx;
        if (target >= 0 && target < width) taps[t].row[target] += taps[t].weight * error;
    }
}

void loadRow(std::vector<float>& window, const KVImage* band, uint32_t y, uint32_t windowRows) {
    const size_t width = band->width;
    float* row = window.data() + (y % windowRows) * width;
    const uint8_t* gray = band->gray + static_cast<size_t>(y) * width;
    for (size_t x = 0; x < width; ++x) row[x] = gray[x];
}

// Taps whose target row lies inside the band, mirrored on right-to-left rows.
// Taps reaching up only touch finished rows, which no longer matter.
size_t resolveTaps(const ErrorKernel* kernel, std::vector<float>& window, const KVImage* band, uint32_t y,
                   bool mirrored, RowTap* taps, uint32_t windowRows) {
    size_t count = 0;
    for (int32_t i = 0; i < kernel->count; ++i) {
        const ErrorTap& tap = kernel->taps[i];
        if (tap.dy < 0) continue;
        const uint64_t targetY = static_cast<uint64_t>(y) + static_cast<uint32_t>(tap.dy);
        if (targetY >= band->height) continue;
        taps[count++] = {window.data() + (targetY % windowRows) * band->width,
                         mirrored ? -static_cast<int64_t>(tap.dx) : tap.dx, tap.weight};
    }
    return count;
}

int32_t diffuse(KVImage* band, uint32_t direction, uint32_t jitter, const ErrorKernel* kernel) {
    if (!validBand(band) || kernel == nullptr || kernel->taps == nullptr || kernel->count < 0) return 1;
    const KernelReach reach = kernelReach(kernel, band->height);
    const uint32_t rows = reach.rows;
    std::vector<float> window;
    std::vector<RowTap> taps;
    try {
        window.resize(static_cast<size_t>(band->width) * rows);
        taps.resize(static_cast<size_t>(kernel->count));
    } catch (const std::bad_alloc&) {
        return 2;
    }
    reseedIfJittered(jitter);
    const int64_t width = band->width;
    for (uint32_t y = 0; y < band->height && y < rows - 1; ++y) loadRow(window, band, y, rows);
    for (uint32_t y = 0; y < band->height; ++y) {
        if (static_cast<uint64_t>(y) + rows - 1 < band->height) loadRow(window, band, y + rows - 1, rows);
        const bool mirrored = rightToLeft(direction, y);
        const size_t tapCount = resolveTaps(kernel, window, band, y, mirrored, taps.data(), rows);
        float* work = window.data() + (y % rows) * band->width;
        uint8_t* out = band->gray + static_cast<size_t>(y) * band->width;
        const RowTap* t = taps.data();
        if (mirrored) {
            for (int64_t x = width - 1; x >= 0; --x)
                processPixel(work, out, x, width, jitter, t, tapCount, reach.columns);
        } else {
            for (int64_t x = 0; x < width; ++x) processPixel(work, out, x, width, jitter, t, tapCount, reach.columns);
        }
    }
    return 0;
}

// Atkinson passes one eighth of the error to each of six neighbours (x+1 and
// x+2 on the row, x-1, x and x+1 below, x two rows down); dividing by 8 and
// multiplying by 0.125 give the same single-precision value.
//
// Atkinson, one row, `Step` +1 left to right or -1 right to left (mirrored
// shares). Every work value receives the same single-precision additions in
// the same order as with the table of taps, so the dots are the same:
//  - a value of the row gets the share of the pixel two before it, then of
//    the pixel just before it; both are carried in registers (`ahead1`,
//    `ahead2`) and never stored;
//  - a value of the next row gets the shares of the pixels before, above and
//    after it, in that order; it is loaded once, carried through the three
//    pixels in registers (`next0` .. `next2`) and stored once;
//  - a value two rows down gets the share of the pixel above it.
// Rows below the band are the window's spare rows, whose values are dropped.
template <int Step>
void atkinsonRow(float* work, float* below1, float* below2, uint8_t* out, int64_t width, uint32_t jitter,
                 uint32_t& state) {
    const int64_t first = Step > 0 ? 0 : width - 1;
    float current = work[first];
    float ahead1 = width > 1 ? work[first + Step] : 0.0f;
    float ahead2 = width > 2 ? work[first + 2 * Step] : 0.0f;
    float next0 = 0.0f;           // below1 at the pixel before
    float next1 = below1[first];  // below1 under the pixel
    int64_t x = first;
    for (int64_t i = 0; i < width; ++i, x += Step) {
        const float threshold = thresholdFrom(state, jitter);
        const bool white = current > threshold;
        out[x] = white ? 255 : 0;
        // 0.125 * (current - out) is current / 8 - out / 8 to the last bit:
        // dividing by a power of two is exact, and the one rounding of the
        // difference scales with it (a share never comes near the smallest
        // normal floats: black gives current / 8 either way, and white means
        // current is above 118). The multiply no longer waits for the
        // comparison, which shortens the chain from pixel to pixel.
        const float share = current * 0.125f - (white ? 31.875f : 0.0f);
        const int64_t left = width - 1 - i;  // pixels still to come on this row
        if (i > 0) below1[x - Step] = next0 + share;
        next1 += share;
        const float next2 = left > 0 ? below1[x + Step] + share : 0.0f;
        below2[x] += share;
        current = ahead1 + share;
        ahead1 = ahead2 + share;
        ahead2 = left > 2 ? work[x + 3 * Step] : 0.0f;
        next0 = next1;
        next1 = next2;
    }
    below1[x - Step] = next0;  // the last pixel's value below
}

// Atkinson over `height` rows of `width` grey values from `src`: row y's
// 0/255 results go to `rowOut(y)` (which may be row y of `src` itself: a row
// is read into the window two rows before its results are written), and
// `rowDone(y, results)` is called once the row is finished.
template <typename RowOut, typename RowDone>
int32_t atkinsonRows(const uint8_t* src, uint32_t width, uint32_t height, uint32_t direction, uint32_t jitter,
                     RowOut rowOut, RowDone rowDone) {
    const uint32_t rows = std::min<uint32_t>(height, 3);
    std::vector<float> window;  // the rows in use, then two spare rows for shares below the band
    try {
        window.resize(static_cast<size_t>(width) * (rows + 2));
    } catch (const std::bad_alloc&) {
        return 2;
    }
    reseedIfJittered(jitter);
    auto row = [&](uint32_t y) { return window.data() + (y % rows) * static_cast<size_t>(width); };
    float* spare1 = window.data() + static_cast<size_t>(rows) * width;
    float* spare2 = spare1 + width;
    auto load = [&](uint32_t y) {
        const uint8_t* grey = src + static_cast<size_t>(y) * width;
        float* to = row(y);
        for (size_t x = 0; x < width; ++x) to[x] = grey[x];
    };
    for (uint32_t y = 0; y < rows - 1; ++y) load(y);
    uint32_t state = seed;
    for (uint32_t y = 0; y < height; ++y) {
        if (static_cast<uint64_t>(y) + rows - 1 < height) load(y + rows - 1);
        float* below1 = static_cast<uint64_t>(y) + 1 < height ? row(y + 1) : spare1;
        float* below2 = static_cast<uint64_t>(y) + 2 < height ? row(y + 2) : spare2;
        uint8_t* out = rowOut(y);
        if (rightToLeft(direction, y)) {
            atkinsonRow<-1>(row(y), below1, below2, out, width, jitter, state);
        } else {
            atkinsonRow<1>(row(y), below1, below2, out, width, jitter, state);
        }
        rowDone(y, out);
    }
    seed = state;
    return 0;
}

int32_t atkinson(KVImage* band, uint32_t direction, uint32_t jitter) {
    if (!validBand(band)) return 1;
    const size_t width = band->width;
    return atkinsonRows(
        band->gray, band->width, band->height, direction, jitter, [&](uint32_t y) { return band->gray + y * width; },
        [](uint32_t, const uint8_t*) {});
}

// Runs `pixel(x, y, grey)` over the band in each row's scan order and stores
// its 0/255 result.
template <typename PixelFn>
void scanBand(KVImage* band, uint32_t direction, PixelFn pixel) {
    const size_t width = band->width;
    for (uint32_t y = 0; y < band->height; ++y) {
        uint8_t* row = band->gray + static_cast<size_t>(y) * width;
        if (rightToLeft(direction, y)) {
            for (size_t i = width; i-- > 0;) row[i] = pixel(i, y, row[i]);
        } else {
            for (size_t i = 0; i < width; ++i) row[i] = pixel(i, y, row[i]);
        }
    }
}

}  // namespace

float simpleRand() { return nextRand(seed); }

float getThreshold(uint32_t jitter) { return thresholdFrom(seed, jitter); }

int32_t errorDiffusion(KVImage* band, uint32_t direction, uint32_t jitter, const ErrorKernel* kernel) {
    return diffuse(band, direction, jitter, kernel);
}

int32_t KVImageFloydSteinbergDither(KVImage* band, uint32_t direction, uint32_t jitter) {
    return diffuse(band, direction, jitter, &floydSteinbergAlgo);
}

int32_t KVImageBurkesDither(KVImage* band, uint32_t direction, uint32_t jitter) {
    return diffuse(band, direction, jitter, &burkesAlgo);
}

int32_t KVImageSierraDither(KVImage* band, uint32_t direction, uint32_t jitter) {
    return diffuse(band, direction, jitter, &sierraAlgo);
}

int32_t KVImageJarvisJudiceNinkeDither(KVImage* band, uint32_t direction, uint32_t jitter) {
    return diffuse(band, direction, jitter, &jarvisAlgo);
}

int32_t KVImageAtkinsonDither(KVImage* band, uint32_t direction, uint32_t jitter) {
    return atkinson(band, direction, jitter);
}

int32_t KVImageAtkinsonDitherToBits(const uint8_t* gray, uint32_t width, uint32_t height, uint32_t direction,
                                    uint32_t jitter, uint8_t* bits) {
    if (gray == nullptr || bits == nullptr || width % 8 != 0 || kvImagePixelCount(width, height) == 0) return 1;
    std::vector<uint8_t> results;
    try {
        results.resize(width);
    } catch (const std::bad_alloc&) {
        return 2;
    }
    const size_t rowBytes = width / 8;
    return atkinsonRows(
        gray, width, height, direction, jitter, [&](uint32_t) { return results.data(); },
        [&](uint32_t y, const uint8_t* row) {
            uint8_t* to = bits + y * rowBytes;
            for (size_t b = 0; b < rowBytes; ++b) to[b] = packBelow8(row + 8 * b, 1);
        });
}

int32_t KVImageOrderedBayerDither(KVImage* band, uint32_t direction, uint32_t jitter) {
    if (!validBand(band)) return 1;
    reseedIfJittered(jitter);
    scanBand(band, direction, [jitter](size_t x, uint32_t y, uint8_t grey) -> uint8_t {
        float threshold = bayerMatrix[y % 4][x % 4] * 16;
        if (jitter != 0) threshold = static_cast<float>(threshold + (simpleRand() - 0.5) * 20);
        return static_cast<float>(grey) > threshold ? 255 : 0;
    });
    return 0;
}

int32_t KVImageRandomDither(KVImage* band, uint32_t direction, uint32_t jitter) {
    if (!validBand(band)) return 1;
    reseedIfJittered(jitter);
    scanBand(band, direction, [jitter](size_t, uint32_t, uint8_t grey) -> uint8_t {
        float threshold = simpleRand() * 255;
        if (jitter != 0) threshold = static_cast<float>(threshold + (simpleRand() - 0.5) * 20);
        return static_cast<float>(grey) > threshold ? 255 : 0;
    });
    return 0;
}

int32_t KVImageThresholding(KVImage* band, uint8_t threshold) {
    if (!validBand(band)) return 1;
    const size_t pixels = kvImagePixelCount(band->width, band->height);
    uint8_t* gray = band->gray;
    for (size_t i = 0; i < pixels; ++i) gray[i] = gray[i] >= threshold ? 255 : 0;
    return 0;
}
