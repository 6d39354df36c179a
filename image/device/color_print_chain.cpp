// The colour-to-print-data chain: stage planes, the stages in order, snapshots.
#include "image/device/color_print_chain.h"

#include <cstring>
#include <new>
#include <vector>

#include "base/debug_log.h"
#include "image/device/clahe.h"
#include "image/device/print_chain_stages.h"

namespace {

// A stage's output plane: the caller's buffer when given, else one of our own.
// Our own planes are allocated first (allocate), the caller's zeroed only once
// every allocation has succeeded (clear), so a failure leaves them untouched.
struct StagePlane {
    std::vector<uint8_t> owned;
    uint8_t* data = nullptr;
    size_t bytes = 0;

    void allocate(uint8_t* callerBuffer, size_t size) {
        bytes = size;
        if (callerBuffer == nullptr) {
            owned.assign(size, 0);  // may throw std::bad_alloc
            data = owned.data();
        } else {
            data = callerBuffer;
        }
    }
    void clear() {
        if (data != nullptr && owned.empty()) std::memset(data, 0, bytes);
    }
};

struct ChainPlanes {
    StagePlane rgb, gray, sharp, hist;
};

void snapshot(uint8_t* slot, const uint8_t* plane, uint32_t width, uint32_t height, int kind) {
    if (slot != nullptr) outputDebugData(plane, slot, width, height, kind);
}

void snapshotBits(uint8_t* slot, const uint8_t* out, uint32_t width, uint32_t height) {
    if (slot == nullptr) return;
    const size_t n = size_t{width} * height;
    std::vector<uint8_t> plane;
    try {
        plane.assign(n, 255);
    } catch (const std::bad_alloc&) {
        return;  // a snapshot is only a diagnostic
    }
    for (size_t i = 0; i < n; ++i) {
        if ((out[i >> 3] & (0x80u >> (i & 7))) != 0) plane[i] = 0;
    }
    outputDebugData(plane.data(), slot, width, height, 0);
}

// Planes of every stage that will run, zeroed; throws std::bad_alloc.
void preparePlanes(ChainPlanes& p, size_t n, const RGBHistogramParam* rgbHistogram,
                   const SingleColorDataParam* singleColor, const SharpeningParam* sharpen,
                   const HistogramParam* histogram) {
    if (rgbHistogram != nullptr) p.rgb.allocate(rgbHistogram->buffer, 6 * n);
    p.gray.allocate(singleColor != nullptr ? singleColor->buffer : nullptr, n);
    if (sharpen != nullptr) p.sharp.allocate(sharpen->buffer, n);
    if (histogram != nullptr) p.hist.allocate(histogram->buffer, n);
    for (StagePlane* plane : {&p.rgb, &p.gray, &p.sharp, &p.hist}) plane->clear();
}

}  // namespace

int rgb2PrintData(const uint8_t* rgb, uint8_t* out, uint32_t width, uint32_t height,
                  const RGBHistogramParam* rgbHistogram, const SingleColorDataParam* singleColor,
                  const SharpeningParam* sharpen, const HistogramParam* histogram, const ErrDiffParam* errDiff,
                  const PrintParam* print, const DebugParam* debug) {
    if (rgb == nullptr || out == nullptr || width % 8 != 0) return 0;
    const size_t n = size_t{width} * height;
    ChainPlanes planes;
    try {
        preparePlanes(planes, n, rgbHistogram, singleColor, sharpen, histogram);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const PrintParam printing = print != nullptr ? *print : creatDefaultPrintParam();
    const DebugParam slots = debug != nullptr ? *debug : creatDefaultDebugParam();

    kvPrintf("11111111");
    const uint8_t* current = rgb;
    if (rgbHistogram != nullptr) {
        const RGBHistogramParam& r = *rgbHistogram;
        rgbHeightenHistogram(current, planes.rgb.data, width, height, r.tilesX, r.tilesY, r.bins, r.clipLimit);
        current = planes.rgb.data;
    }
    snapshot(slots.afterRGBHistogram, current, width, height, 1);

    kvPrintf("22222222222");
    rgb2Gray(current, planes.gray.data, width, height);
    uint8_t* grey = planes.gray.data;
    snapshot(slots.afterSingleColor, grey, width, height, 0);

    kvPrintf("3333333333");
    if (sharpen != nullptr) {
        sharpening(grey, planes.sharp.data, width, height, sharpen->radius, sharpen->strength);
        grey = planes.sharp.data;
    }
    snapshot(slots.afterSharpening, grey, width, height, 0);

    kvPrintf("4444444444444");
    if (histogram != nullptr) {
        const HistogramParam& h = *histogram;
        imageHeightenHistogram(grey, planes.hist.data, width, height, h.tilesX, h.tilesY, h.bins, h.clipLimit);
        grey = planes.hist.data;
    }
    snapshot(slots.afterHistogram, grey, width, height, 0);

    kvPrintf("55555555555");
    if (errDiff != nullptr) {
        const uint8_t threshold = errDiff->autoThreshold == 1 ? getBestThreshold(grey, width, height) : 0;
        errDiffImg(grey, width, height, errDiff->kernel, errDiff->bilevel, threshold);
    }
    snapshot(slots.afterErrDiff, grey, width, height, 0);

    kvPrintf("6666666666");
    gray2BinByte(grey, out, width, height, printing.threshold);
    if (printing.invertColor == 1) invertColors(out, n / 8);
    if (printing.reverse == 1) invertDirection(out, n / 8);
    snapshotBits(slots.afterBinarization, out, width, height);
    return 1;
}
