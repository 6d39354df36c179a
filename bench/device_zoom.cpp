// Zoom of whole pages onto the L50 and L60 canvases, and the plain per-pixel
// bicubic loop on the L60 page for comparison with the row-cached path.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "image/device/model_canvas.h"
#include "image/device/zoom.h"

namespace {

std::vector<uint8_t> samplePage(uint32_t w, uint32_t h) {
    std::vector<uint8_t> page(size_t{w} * h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) page[size_t{y} * w + x] = static_cast<uint8_t>((x * 7 + y * 3) ^ (x >> 4));
    }
    return page;
}

using CanvasFn = uint8_t* (*)(const uint8_t*, uint32_t, uint32_t, uint32_t*, uint32_t*);

void runCanvas(benchmark::State& state, CanvasFn fn, uint32_t w, uint32_t h) {
    const std::vector<uint8_t> page = samplePage(w, h);
    uint32_t outW = 0, outH = 0;
    for (auto _ : state) {
        uint8_t* canvas = fn(page.data(), w, h, &outW, &outH);
        benchmark::DoNotOptimize(canvas);
        std::free(canvas);
    }
    state.counters["canvas_px"] = double(outW) * outH;
    state.SetItemsProcessed(state.iterations() * int64_t{outW} * outH);
}

// L50: a 1664 x 2400 page (label of 104 x 150 mm at 16 dots per mm).
void BM_CanvasL50(benchmark::State& state) { runCanvas(state, driveBitmapZoomToL50, 1664, 2400); }
// L60: a page at the full 2592-dot head width.
void BM_CanvasL60(benchmark::State& state) { runCanvas(state, driveBitmapZoomToL60, 2592, 1800); }

// The same L60 zoom (2592 x 1800 to 2568 x 1776) pixel by pixel through ThreeOrder0.
void BM_PerPixelZoomL60(benchmark::State& state) {
    const uint32_t sw = 2592, sh = 1800, dw = 2568, dh = 1776;
    std::vector<uint8_t> page = samplePage(sw, sh);
    std::vector<uint8_t> out(size_t{dw} * dh);
    const PicRegion src{page.data(), sw, sw, sh};
    for (auto _ : state) {
        for (uint32_t y = 0; y < dh; ++y) {
            const float sy = static_cast<float>((y + 0.4999999) * sh / dh - 0.5);
            for (uint32_t x = 0; x < dw; ++x) {
                const float sx = static_cast<float>((x + 0.4999999) * sw / dw - 0.5);
                ThreeOrder0(src, &out[size_t{y} * dw + x], sx, sy);
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t{dw} * dh);
}

}  // namespace

BENCHMARK(BM_CanvasL50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CanvasL60)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerPixelZoomL60)->Unit(benchmark::kMillisecond);
