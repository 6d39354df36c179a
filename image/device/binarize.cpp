// Text-or-picture decision, band walk, tone curves and the two diffusions of
// the device binarisation.
#include "image/device/binarize.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "base/debug_log.h"
#include "image/device/legacy_gray.h"
#include "image/kvimage.h"

namespace {

constexpr int32_t kMethodStuckiPictures = 5;
constexpr int32_t kMethodCurveC = 12;

// Counts of a grey histogram that the text/picture rules look at.
struct GrayStats {
    uint64_t total = 0;
    uint64_t light = 0;  // 239..255
    uint64_t mid = 0;    // 64..191
    uint64_t top3 = 0;   // 253..255
    uint64_t dark = 0;   // 0..99
    uint64_t largestBin = 0;
};

uint64_t rangeSum(const uint64_t* hist, int from, int to) {
    uint64_t sum = 0;
    for (int v = from; v <= to; ++v) sum += hist[v];
    return sum;
}

GrayStats statistics(const uint8_t* image, uint64_t count) {
    // Four partial histograms, so runs of one grey level don't wait on one counter.
    uint64_t part[4][256] = {};
    uint64_t i = 0;
    for (; i + 4 <= count; i += 4) {
        ++part[0][image[i]];
        ++part[1][image[i + 1]];
        ++part[2][image[i + 2]];
        ++part[3][image[i + 3]];
    }
    for (; i < count; ++i) ++part[0][image[i]];
    uint64_t hist[256];
    for (int v = 0; v < 256; ++v) hist[v] = part[0][v] + part[1][v] + part[2][v] + part[3][v];
    GrayStats s;
    s.total = count;
    s.light = rangeSum(hist, 239, 255);
    s.mid = rangeSum(hist, 64, 191);
    s.top3 = rangeSum(hist, 253, 255);
    s.dark = rangeSum(hist, 0, 99);
    s.largestBin = *std::max_element(hist, hist + 256);
    return s;
}

// count / total compared with a percentage, in 64 bits so any page fits.
bool below(uint64_t count, uint64_t total, uint64_t percent) { return count * 100 < total * percent; }
bool above(uint64_t count, uint64_t total, uint64_t percent) { return count * 100 > total * percent; }

uint64_t pixelCount(uint32_t width, uint32_t height) { return uint64_t{width} * height; }

bool classifiedAsText(const GrayStats& s) {
    if (below(s.light, s.total, 45) && below(s.top3, s.total, 40)) return false;
    if (above(s.mid, s.total, 40)) return false;
    // A page of one flat tone with hardly any dark dots is a picture.
    if (above(s.largestBin, s.total, 80) && s.dark <= 7) return false;
    return true;
}

void applyCurve(uint8_t* image, uint64_t count, const uint8_t* curve) {
    for (uint64_t i = 0; i < count; ++i) image[i] = curve[image[i]];
}

// Adds a diffusion share to a 16-bit work cell, wrapping like the printer's firmware tool.
void addShare(int16_t& cell, int32_t share) { cell = static_cast<int16_t>(cell + share); }

// The shares of each pixel's error along one row, divided with truncation,
// with two empty entries on each side.
struct StuckiShares {
    std::vector<int32_t> e8, e4, e21, e42;  // e * 8 / 42, e * 4 / 42, e / 21, e / 42
    explicit StuckiShares(size_t width) : e8(width + 4), e4(width + 4), e21(width + 4), e42(width + 4) {}
};

// One row of the Stucki-weighted diffusion: r0 is the row (two margin cells
// on each side), r1 and r2 the two below. The two cells ahead on the row are
// carried in registers and each pixel's shares are kept; the rows below then
// receive them in one pass. The cells wrap at 16 bits, and wrapped addition
// gives the same cell whatever the order of the shares.
void stuckiRow(int16_t* r0, int16_t* r1, int16_t* r2, uint8_t* outRow, uint32_t width, StuckiShares& shares) {
    int16_t ahead1 = r0[0];
    int16_t ahead2 = r0[1];
    int32_t* e8 = shares.e8.data() + 2;
    int32_t* e4 = shares.e4.data() + 2;
    int32_t* e21 = shares.e21.data() + 2;
    int32_t* e42 = shares.e42.data() + 2;
    for (size_t x = 0; x < width; ++x) {
        const int32_t v = ahead1;
        const bool black = v <= 130;
        const int32_t e = black ? v : v - 255;
        outRow[x] = black ? 0 : 255;
        e8[x] = e * 8 / 42;
        e4[x] = e * 4 / 42;
        e21[x] = e;  // divided below, off the row's chain
        ahead1 = ahead2;
        addShare(ahead1, e8[x]);
        ahead2 = r0[x + 2];
        addShare(ahead2, e4[x]);
    }
    for (size_t x = 0; x < width; ++x) {
        e42[x] = e21[x] / 42;
        e21[x] = e21[x] / 21;
    }
    // Cell x below takes the shares of the pixels x - 2 .. x + 2; the margin
    // cells are never read, so only the row's own cells are summed.
    const auto cellCount = static_cast<ptrdiff_t>(width);
    for (ptrdiff_t x = 0; x < cellCount; ++x) {
        r1[x] = static_cast<int16_t>(r1[x] + e21[x - 2] + e4[x - 1] + e8[x] + e4[x + 1] + e21[x + 2]);
        r2[x] = static_cast<int16_t>(r2[x] + e42[x - 2] + e21[x - 1] + e4[x] + e21[x + 1] + e42[x + 2]);
    }
}

// Method 8 (tattoo): light greys are lifted so the skin stays clear of dots.
void lightenForTattoo(uint8_t* image, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
        if (image[i] >= 240) {
            image[i] = 255;
        } else if (image[i] >= 201) {
            image[i] = static_cast<uint8_t>(image[i] + 5);
        }
    }
}

bool blankRow(const uint8_t* row, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x) {
        if (row[x] < 253) return false;
    }
    return true;
}

}  // namespace

int32_t isText(const uint8_t* image, uint32_t width, uint32_t height) {
    if (image == nullptr) return -1;
    const GrayStats s = statistics(image, pixelCount(width, height));
    if (below(s.light, s.total, 50) && below(s.top3, s.total, 40)) return 0;
    return above(s.mid, s.total, 20) ? 0 : 1;
}

int32_t kv_imgdiff(uint8_t* image, uint32_t width, uint32_t height) {
    if (image == nullptr) return -1;
    // Three rows of 16-bit cells with two margin cells on each side; shares
    // that fall into the margins or below the last row are dropped. Row y + 2
    // is loaded when row y starts, into the cells row y - 1 used.
    const size_t stride = size_t{width} + 4;
    std::vector<int16_t> work;
    std::optional<StuckiShares> shares;
    try {
        work.assign(stride * 3, 0);
        shares.emplace(width);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    auto cells = [&](size_t y) { return &work[(y % 3) * stride + 2]; };
    auto load = [&](size_t y) {
        int16_t* row = cells(y);
        if (y < height) {
            std::copy(image + y * width, image + y * width + width, row);
        } else {
            std::fill(row, row + width, int16_t{0});
        }
    };
    load(0);
    load(1);
    for (size_t y = 0; y < height; ++y) {
        load(y + 2);
        stuckiRow(cells(y), cells(y + 1), cells(y + 2), image + y * width, width, *shares);
    }
    return 0;
}

int32_t kv_cq_dither(uint8_t* image, uint32_t width, uint32_t height) {
    if (image == nullptr) return -1;
    const uint64_t count = pixelCount(width, height);
    if (count == 0) return 0;
    if (width > INT32_MAX || height > INT32_MAX) return -1;
    // The grey image as opaque pixels of three equal colour bytes, dithered
    // one byte a pixel (the colour bytes stay equal, so the dots are the same).
    ditherGray(image, static_cast<int32_t>(width), static_cast<int32_t>(height));
    return 0;
}

int32_t kv_img2bin(uint8_t* image, uint32_t width, uint32_t height, int32_t method) {
    if (image == nullptr) return -1;
    const uint64_t count = pixelCount(width, height);
    const bool text = method == KVImageGrayTypeText || classifiedAsText(statistics(image, count));
    if (text) {
        kvPrintf("sub-isText\n");
        applyCurve(image, count, kvToneCurveText);
        return method == KVImageGrayTypeTattoo ? kv_cq_dither(image, width, height) : kv_imgdiff(image, width, height);
    }
    kvPrintf("sub-isImage\n");
    if (method == kMethodStuckiPictures) {
        applyCurve(image, count, kvToneCurvePicture);
        return kv_imgdiff(image, width, height);
    }
    applyCurve(image, count, method == kMethodCurveC ? kvToneCurvePictureMethod12 : kvToneCurvePicture);
    return kv_cq_dither(image, width, height);
}

int32_t kv_cq_img2bin(uint8_t* image, uint32_t width, uint32_t height, int32_t method) {
    if (image == nullptr) return -1;
    if (method == KVImageGrayTypeText) {
        kvPrintf("KVImageGrayTypeText - 直接打\n");
        return kv_img2bin(image, width, height, method);
    }
    if (method == KVImageGrayTypeTattoo) {
        kvPrintf("KVImageGrayTypeTattoo- 降噪\n");
        lightenForTattoo(image, pixelCount(width, height));
    }
    if (isText(image, width, height) == 1) return kv_img2bin(image, width, height, method);
    uint32_t y = 0;
    while (y < height) {
        uint8_t* row = image + size_t{y} * width;
        if (blankRow(row, width)) {
            std::memset(row, 255, width);
            ++y;
            continue;
        }
        uint32_t end = y + 1;
        while (end < height && !blankRow(image + size_t{end} * width, width)) ++end;
        const int32_t result = kv_img2bin(row, width, end - y, method);
        if (result != 0) return result;
        y = end;
    }
    return 0;
}

uint8_t* kv_BinImg2PrinterData(const uint8_t* image, uint32_t width, uint32_t height, uint32_t* length) {
    if (length != nullptr) *length = 0;
    if (image == nullptr) return nullptr;
    const uint64_t bytes = pixelCount(width, height) / 8;
    if (bytes == 0 || bytes > UINT32_MAX) return nullptr;
    auto* out = static_cast<uint8_t*>(std::calloc(bytes, 1));
    if (out == nullptr) return nullptr;
    const uint32_t groups = width / 8;
    uint8_t* dst = out;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* p = image + size_t{y} * width;
        for (uint32_t g = 0; g < groups; ++g, p += 8) {
            const uint8_t packed = static_cast<uint8_t>((p[0] & 0x80) | (p[1] & 0x40) | (p[2] & 0x20) | (p[3] & 0x10) |
                                                        (p[4] & 0x08) | (p[5] & 0x04) | (p[6] & 0x02) | (p[7] & 0x01));
            *dst++ = static_cast<uint8_t>(~packed);
        }
    }
    if (length != nullptr) *length = static_cast<uint32_t>(dst - out);
    return out;
}
