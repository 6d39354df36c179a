// Timing of whole device pages through getKVProtocolPrintData: an L50 and an
// L60 page (settings, scaling, one-bit conversion, Huffman transfer, feed).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "base/dynamic_array.h"
#include "base/log_files.h"
#include "languages/device_job.h"
#include "languages/job_settings.h"
#include "protocol/protocol_state.h"

namespace {

constexpr uint32_t kWidth = 1664;
constexpr uint32_t kHeight = 2400;

// A label of text-like bars, a solid block and a grey ramp on white.
std::vector<uint8_t> makePage() {
    std::vector<uint8_t> page(size_t{kWidth} * kHeight, 255);
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            uint8_t& v = page[size_t{y} * kWidth + x];
            if (y % 40 < 24 && (x / 9) % 5 != 0 && y < 1200) v = 0;
            if (y >= 1300 && y < 1700 && x >= 200 && x < 900) v = 0;
            if (y >= 1800 && y < 2200) v = static_cast<uint8_t>(x * 255 / kWidth);
        }
    }
    return page;
}

void runPage(benchmark::State& state, uint32_t model, int16_t printMode) {
    static const bool logsAside = [] {
        char dir[] = "/tmp/bench_device_page_XXXXXX";
        if (mkdtemp(dir) != nullptr) setDebugLogDirectory(dir);
        return true;
    }();
    (void)logsAside;
    setODMPrinterType(28);
    const std::vector<uint8_t> page = makePage();
    JobSettings settings{};
    settings.darkness = 8;
    settings.printSpeed = 3;
    settings.printMode = printMode;
    int64_t bytes = 0;
    for (auto _ : state) {
        DynamicArrayPtr out(getKVProtocolPrintData(page.data(), kWidth, kHeight, &settings, model));
        bytes = out ? out->size : 0;
        benchmark::DoNotOptimize(out.get());
    }
    state.counters["out_bytes"] = static_cast<double>(bytes);
}

void BM_L50Page(benchmark::State& state) { runPage(state, 1, 0); }
void BM_L60Page(benchmark::State& state) { runPage(state, 2, 0); }
void BM_L50PageBinarised(benchmark::State& state) { runPage(state, 1, 9); }

}  // namespace

BENCHMARK(BM_L50Page)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_L60Page)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_L50PageBinarised)->Unit(benchmark::kMillisecond);
