// One 4 x 6 inch label at 203 dpi (812 x 1218 dots, rows padded to 816)
// through every command-language generator, compression off and on.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "languages/generators.h"

namespace {

constexpr int64_t kWidth = 816;
constexpr uint64_t kHeight = 1218;

const std::vector<uint8_t>& labelPage() {
    static const std::vector<uint8_t> page = [] {
        std::vector<uint8_t> p(kWidth * kHeight);
        // Text-like bars and a grey ramp: neither all white nor noise.
        for (uint64_t y = 0; y < kHeight; ++y) {
            for (int64_t x = 0; x < kWidth; ++x) {
                const bool bar = (y / 24) % 3 == 0 && (x / 6) % 5 < 3;
                p[y * kWidth + x] = bar ? 0 : static_cast<uint8_t>((x + y) % 256);
            }
        }
        return p;
    }();
    return page;
}

JobSettings labelSettings(int16_t compressed) {
    JobSettings s{};
    s.resolution = 203;
    s.widthMM = 102;
    s.heightMM = 152;
    s.copies = 1;
    s.printSpeed = 4;
    s.darkness = 8;
    s.mediaTracking = 1;
    s.isCompressie = compressed;
    s.noCompressie = 300000;
    s.compressie = 64000;
    s.colorPrintModel = 0;
    return s;
}

void quietLogs() {
    static const bool done = [] {
        std::string dir = "/tmp/kvbench_lang.XXXXXX";
        if (mkdtemp(dir.data()) != nullptr) setDebugLogDirectory(dir.c_str());
        return true;
    }();
    (void)done;
}

using Generator = DynamicArray* (*)(const uint8_t*, int64_t, uint64_t, const JobSettings*);

void runGenerator(benchmark::State& state, Generator gen) {
    quietLogs();
    const JobSettings s = labelSettings(static_cast<int16_t>(state.range(0)));
    const std::vector<uint8_t>& page = labelPage();
    int64_t bytes = 0;
    for (auto _ : state) {
        DynamicArrayPtr out(gen(page.data(), kWidth, kHeight, &s));
        bytes = out->size;
        benchmark::DoNotOptimize(out->data);
    }
    state.counters["out_bytes"] = static_cast<double>(bytes);
}

void BM_TSPL(benchmark::State& state) { runGenerator(state, getTSPLPrintData); }
void BM_ZPL(benchmark::State& state) { runGenerator(state, getZPLPrintData); }
void BM_SFZPL(benchmark::State& state) { runGenerator(state, getSFZPLPrintData); }
void BM_CPCL(benchmark::State& state) { runGenerator(state, getCPCLPrintData); }
void BM_ESCPOS(benchmark::State& state) { runGenerator(state, getESCPrintData); }

void BM_TwoColorTSPL(benchmark::State& state) {
    quietLogs();
    const JobSettings s = labelSettings(static_cast<int16_t>(state.range(0)));
    std::vector<uint8_t> rgba(static_cast<size_t>(kWidth) * 4 * kHeight);
    const std::vector<uint8_t>& grey = labelPage();
    for (size_t i = 0; i < grey.size(); ++i) {
        const bool red = (i % kWidth) < kWidth / 3;
        rgba[4 * i] = grey[i];
        rgba[4 * i + 1] = red ? 0 : grey[i];
        rgba[4 * i + 2] = red ? 0 : grey[i];
        rgba[4 * i + 3] = 255;
    }
    for (auto _ : state) {
        DynamicArrayPtr out(getTSPLTwoColorPrintData(rgba.data(), kWidth * 4, kWidth, kHeight, &s));
        benchmark::DoNotOptimize(out->data);
    }
}

}  // namespace

BENCHMARK(BM_TSPL)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZPL)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SFZPL)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CPCL)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ESCPOS)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoColorTSPL)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
