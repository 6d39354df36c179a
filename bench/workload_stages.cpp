// The stages of the workloads that tools/bench-compare.sh times as whole
// processes, on the same pages: a 4 x 6 inch label at 203 dpi (grey rows
// padded to whole bytes, as the page loop holds them), an A4 page at 300 dpi
// for the image modes, and the label on the device models' canvases.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/debug_log.h"
#include "base/dynamic_array.h"
#include "base/log_files.h"
#include "bench/workloads/workload_pages.h"
#include "image/device/model_canvas.h"
#include "image/dither.h"
#include "image/gray2bytes.h"
#include "languages/device_job.h"
#include "languages/generators.h"
#include "languages/job_settings.h"
#include "languages/strips.h"
#include "protocol/device/bitmap.h"
#include "protocol/device/image_front_end.h"
#include "protocol/device/transfer_entry_points.h"
#include "protocol/protocol_state.h"

namespace {

void logsAside() {
    static const bool done = [] {
        char dir[] = "/tmp/kvbench_stages_XXXXXX";
        if (mkdtemp(dir) != nullptr) setDebugLogDirectory(dir);
        return true;
    }();
    (void)done;
}

// A grey page with its rows padded with white to whole bytes of dots.
struct PaddedPage {
    uint32_t widthBytes = 0;
    uint32_t height = 0;
    std::vector<uint8_t> grey;
};

PaddedPage padded(const GreyPage& page) {
    PaddedPage p;
    p.widthBytes = (page.width + 7) / 8;
    p.height = page.height;
    const size_t stride = size_t{p.widthBytes} * 8;
    p.grey.assign(stride * page.height, 255);
    for (uint32_t y = 0; y < page.height; ++y)
        std::memcpy(&p.grey[y * stride], &page.grey[size_t{y} * page.width], page.width);
    return p;
}

const PaddedPage& label() {
    static const PaddedPage page = padded(shippingLabel());
    return page;
}

const PaddedPage& a4() {
    static const PaddedPage page = padded(a4Page());
    return page;
}

std::vector<uint8_t> convert(const PaddedPage& page, int32_t mode) {
    std::vector<uint8_t> bits(size_t{page.widthBytes} * page.height, 0);
    Gray2Bytes(page.grey.data(), bits.data(), page.widthBytes, page.height, mode);
    return bits;
}

JobSettings labelSettings(int16_t printMode, int16_t compressed) {
    JobSettings s{};
    s.resolution = 203;
    s.widthMM = 101;
    s.heightMM = 152;
    s.copies = 1;
    s.printSpeed = 4;
    s.darkness = 8;
    s.mediaTracking = 1;
    s.printMode = printMode;
    s.isCompressie = compressed;
    s.noCompressie = 300000;
    s.compressie = 64000;
    return s;
}

// Row conversion of the label: mode 0 (threshold) and 6 (the text chain, what
// the default mode 5 becomes on the command languages).
void BM_LabelRowConversion(benchmark::State& state) {
    logsAside();
    const PaddedPage& page = label();
    for (auto _ : state) benchmark::DoNotOptimize(convert(page, static_cast<int32_t>(state.range(0))).data());
    state.SetItemsProcessed(state.iterations() * page.widthBytes * 8 * page.height);
}
BENCHMARK(BM_LabelRowConversion)->Arg(0)->Arg(6)->Unit(benchmark::kMicrosecond);

void BM_LabelZplHex(benchmark::State& state) {
    const PaddedPage& page = label();
    const std::vector<uint8_t> bits = convert(page, 0);
    for (auto _ : state) {
        DynamicArrayPtr out(dynamic_array_init(2));
        appendZplHexField(out.get(), 0, 0, page.widthBytes, page.height, bits.data());
        benchmark::DoNotOptimize(out->data);
    }
}
BENCHMARK(BM_LabelZplHex)->Unit(benchmark::kMicrosecond);

void BM_LabelZ64Strips(benchmark::State& state) {
    logsAside();
    const PaddedPage& page = label();
    const std::vector<uint8_t> bits = convert(page, 0);
    const JobSettings s = labelSettings(0, 1);
    for (auto _ : state) {
        DynamicArrayPtr out(dynamic_array_init(2));
        ZPL_Zlib_CutImage(out.get(), page.widthBytes * 8, page.height, page.widthBytes, bits.data(), &s);
        benchmark::DoNotOptimize(out->data);
    }
}
BENCHMARK(BM_LabelZ64Strips)->Unit(benchmark::kMicrosecond);

// Whole label pages through the generators: 0 ZPL, 1 ZPL Z64, 2 TSPL; print
// mode 0 or 6.
void BM_LabelPage(benchmark::State& state) {
    logsAside();
    const PaddedPage& page = label();
    const auto language = state.range(0);
    const JobSettings s = labelSettings(static_cast<int16_t>(state.range(1)), language == 1 ? 1 : 0);
    for (auto _ : state) {
        DynamicArrayPtr out(language == 2 ? getTSPLPrintData(page.grey.data(), page.widthBytes * 8, page.height, &s)
                                          : getZPLPrintData(page.grey.data(), page.widthBytes * 8, page.height, &s));
        benchmark::DoNotOptimize(out->data);
    }
}
BENCHMARK(BM_LabelPage)->ArgsProduct({{0, 1, 2}, {0, 6}})->Unit(benchmark::kMicrosecond);

// The A4 page in the image modes: 7 (serpentine jittered Atkinson) and 8
// (bands, text test, tone, Atkinson or the text dither).
void BM_A4RowConversion(benchmark::State& state) {
    logsAside();
    const PaddedPage& page = a4();
    for (auto _ : state) benchmark::DoNotOptimize(convert(page, static_cast<int32_t>(state.range(0))).data());
    state.SetItemsProcessed(state.iterations() * page.widthBytes * 8 * page.height);
}
BENCHMARK(BM_A4RowConversion)->Arg(7)->Arg(8)->Unit(benchmark::kMillisecond);

// Device models on the label: 1 L50 and 2 L60 (print mode 9, the device
// binarisation), 4 L50C (print mode 11, the tattoo chain).
using Zoom = uint8_t* (*)(const uint8_t*, uint32_t, uint32_t, uint32_t*, uint32_t*);
struct Model {
    Zoom zoom;
    uint32_t imageMode;
    int16_t printMode;
};
Model model(int64_t type) {
    switch (type) {
        case 1: return {driveBitmapZoomToL50, 6, 9};
        case 2: return {driveBitmapZoomToL60, 6, 9};
        default: return {driveBitmapZoomToL50C_Tattoo, 10, 11};
    }
}

void BM_DeviceCanvas(benchmark::State& state) {
    logsAside();
    const PaddedPage& page = label();
    const Model m = model(state.range(0));
    for (auto _ : state) {
        uint32_t w = 0, h = 0;
        std::free(m.zoom(page.grey.data(), page.widthBytes * 8, page.height, &w, &h));
    }
}
BENCHMARK(BM_DeviceCanvas)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond);

void BM_DeviceConvert(benchmark::State& state) {
    logsAside();
    const PaddedPage& page = label();
    const Model m = model(state.range(0));
    uint32_t cw = 0, ch = 0;
    uint8_t* canvas = m.zoom(page.grey.data(), page.widthBytes * 8, page.height, &cw, &ch);
    const std::vector<uint8_t> source(canvas, canvas + size_t{cw} * ch);
    std::free(canvas);
    for (auto _ : state) {
        MallocBytes copy(static_cast<uint8_t*>(std::malloc(source.size())));
        std::memcpy(copy.get(), source.data(), source.size());
        benchmark::DoNotOptimize(convertGrayImage(std::move(copy), cw, ch, m.imageMode).bytes.get());
    }
}
BENCHMARK(BM_DeviceConvert)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond);

void BM_DeviceTransfer(benchmark::State& state) {
    logsAside();
    setODMPrinterType(28);
    setMaxDataLengthOnePackage(4096);
    const PaddedPage& page = label();
    const Model m = model(state.range(0));
    uint32_t w = 0, h = 0;
    MallocBytes canvas(m.zoom(page.grey.data(), page.widthBytes * 8, page.height, &w, &h));
    const MallocBitmap bits = convertGrayImage(std::move(canvas), w, h, m.imageMode);
    for (auto _ : state) SendPackPtr frames(driveGetPrintDataFromHex(bits.bytes.get(), bits.width, bits.height));
}
BENCHMARK(BM_DeviceTransfer)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond);

void BM_DevicePage(benchmark::State& state) {
    logsAside();
    setODMPrinterType(28);
    const PaddedPage& page = label();
    JobSettings s = labelSettings(model(state.range(0)).printMode, 0);
    for (auto _ : state) {
        DynamicArrayPtr out(getKVProtocolPrintData(page.grey.data(), page.widthBytes * 8, page.height, &s,
                                                   static_cast<uint32_t>(state.range(0))));
        benchmark::DoNotOptimize(out.get());
    }
}
BENCHMARK(BM_DevicePage)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace
