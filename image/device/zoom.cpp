// Bicubic zoom. The row loop filters each needed source row horizontally once
// per destination row set (per-column taps and weights computed up front) and
// then blends four filtered rows vertically; every float operation happens in
// the same order as the per-pixel 4 x 4 formula, so the bytes are identical.
#include "image/device/zoom.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

// Lightening added to every zoomed pixel before truncation.
constexpr float kLighten = 15.0f;

// Source position of destination index i: (i + 0.4999999) x src / dst - 0.5,
// in double, stored as float.
float sourcePosition(uint64_t i, uint64_t srcSize, uint64_t dstSize) {
    return static_cast<float>(
        (static_cast<double>(i) + 0.4999999) * static_cast<double>(srcSize) / static_cast<double>(dstSize) - 0.5);
}

// First of the four taps (floor(s) - 1) and their kernel weights.
struct Taps {
    int64_t first;
    float w[4];
};

Taps tapsAt(float s) {
    int64_t i = static_cast<int64_t>(s);
    if (s < static_cast<float>(i)) --i;
    const float f = s - static_cast<float>(i);
    return {i - 1,
            {static_cast<float>(SinXDivX(1.0f + f)), static_cast<float>(SinXDivX(f)),
             static_cast<float>(SinXDivX(1.0f - f)), static_cast<float>(SinXDivX(2.0f - f))}};
}

uint8_t finish(float sum) {
    const int64_t v = static_cast<int64_t>(sum + kLighten);
    return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

// Horizontal pass state: column taps, a white-padded copy of one source row,
// and a ring of four filtered rows tagged with their source row.
struct RowFilter {
    const PicRegion& src;
    std::vector<Taps> columns;
    std::vector<uint8_t> padded;
    int64_t padLeft = 0;
    std::vector<float> rows[4];
    int64_t tags[4];

    RowFilter(const PicRegion& source, uint64_t dstW) : src(source), columns(dstW) {
        int64_t lo = 0, hi = 0;
        for (uint64_t x = 0; x < dstW; ++x) {
            columns[x] = tapsAt(sourcePosition(x, src.width, dstW));
            lo = std::min(lo, columns[x].first);
            hi = std::max(hi, columns[x].first + 3);
        }
        padLeft = -lo;
        const int64_t w = static_cast<int64_t>(src.width);
        padded.assign(static_cast<size_t>(padLeft + std::max(hi + 1, w)), 255);
        for (auto& r : rows) r.resize(dstW);
        std::fill(tags, tags + 4, INT64_MIN);
    }

    const float* row(int64_t r) {
        const size_t slot = static_cast<size_t>(r & 3);
        if (tags[slot] != r) {
            fill(r, rows[slot].data());
            tags[slot] = r;
        }
        return rows[slot].data();
    }

    void fill(int64_t r, float* out) {
        const bool inside = r >= 0 && r < static_cast<int64_t>(src.height);
        uint8_t* line = padded.data() + padLeft;
        if (inside) {
            std::copy_n(src.pdata + static_cast<uint64_t>(r) * src.byte_width, src.width, line);
        } else {
            std::fill_n(line, src.width, uint8_t{255});
        }
        for (size_t x = 0; x < columns.size(); ++x) {
            const Taps& t = columns[x];
            const uint8_t* p = line + t.first;
            float a = 0;
            a += t.w[0] * p[0];
            a += t.w[1] * p[1];
            a += t.w[2] * p[2];
            a += t.w[3] * p[3];
            out[x] = a;
        }
    }
};

void zoomRows(const PicRegion& dst, const PicRegion& src) {
    RowFilter filter(src, dst.width);
    for (uint64_t y = 0; y < dst.height; ++y) {
        const Taps ty = tapsAt(sourcePosition(y, src.height, dst.height));
        const float* r0 = filter.row(ty.first);
        const float* r1 = filter.row(ty.first + 1);
        const float* r2 = filter.row(ty.first + 2);
        const float* r3 = filter.row(ty.first + 3);
        uint8_t* out = dst.pdata + y * dst.byte_width;
        for (uint64_t x = 0; x < dst.width; ++x) {
            float s = 0;
            s += r0[x] * ty.w[0];
            s += r1[x] * ty.w[1];
            s += r2[x] * ty.w[2];
            s += r3[x] * ty.w[3];
            out[x] = finish(s);
        }
    }
}

}  // namespace

double SinXDivX(double t) {
    const double a = -1.0;
    if (t < 0) t = -t;
    const double t2 = t * t;
    const double t3 = t2 * t;
    if (t <= 1) return (a + 2) * t3 - (a + 3) * t2 + 1;
    if (t <= 2) return a * t3 - (5 * a) * t2 + (8 * a) * t - (4 * a);
    return 0;
}

uint8_t Pixels(const PicRegion& src, int64_t x, int64_t y) {
    return src.pdata[src.byte_width * static_cast<uint64_t>(y) + static_cast<uint64_t>(x)];
}

uint8_t Pixels_Bound(const PicRegion& src, int64_t x, int64_t y) {
    if (x < 0 || y < 0 || x >= static_cast<int64_t>(src.width) || y >= static_cast<int64_t>(src.height)) return 255;
    return Pixels(src, x, y);
}

void ThreeOrder0(const PicRegion& src, uint8_t* out, float x, float y) {
    const Taps tx = tapsAt(x);
    const Taps ty = tapsAt(y);
    float sum = 0;
    for (int j = 0; j < 4; ++j) {
        float a = 0;
        for (int i = 0; i < 4; ++i) a += tx.w[i] * Pixels_Bound(src, tx.first + i, ty.first + j);
        sum += a * ty.w[j];
    }
    *out = finish(sum);
}

void PicZoom_ThreeOrder0(const PicRegion& dst, const PicRegion& src) {
    if (dst.width == 0 || dst.height == 0 || src.width == 0 || src.height == 0) return;
    try {
        zoomRows(dst, src);
        return;
    } catch (const std::bad_alloc&) {
        // No room for the row cache: fall back to the per-pixel path.
    }
    for (uint64_t y = 0; y < dst.height; ++y) {
        const float sy = sourcePosition(y, src.height, dst.height);
        uint8_t* out = dst.pdata + y * dst.byte_width;
        for (uint64_t x = 0; x < dst.width; ++x) ThreeOrder0(src, out + x, sourcePosition(x, src.width, dst.width), sy);
    }
}

bool bitmapZoomInto(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint8_t* dst, uint32_t dstW, uint32_t dstH,
                    uint64_t dstStride) {
    if (src == nullptr || dst == nullptr || srcW == 0 || srcH == 0 || dstW == 0 || dstH == 0 || dstStride < dstW)
        return false;
    const PicRegion source{const_cast<uint8_t*>(src), srcW, srcW, srcH};
    const PicRegion target{dst, dstStride, dstW, dstH};
    PicZoom_ThreeOrder0(target, source);
    return true;
}

uint8_t* bitmapZoom(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t dstW, uint32_t dstH) {
    if (src == nullptr || srcW == 0 || srcH == 0 || dstW == 0 || dstH == 0) return nullptr;
    auto* out = static_cast<uint8_t*>(std::calloc(size_t{dstW} * dstH, 1));
    if (out == nullptr) return nullptr;
    const PicRegion source{const_cast<uint8_t*>(src), srcW, srcW, srcH};
    const PicRegion target{out, dstW, dstW, dstH};
    PicZoom_ThreeOrder0(target, source);
    return out;
}
