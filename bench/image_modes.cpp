// An A4 page at 300 dpi (2480 x 3508 grey dots) through Gray2Bytes in the
// table mode 0 and the chain modes 6 (threshold), 7 (jittered Atkinson) and
// 8 (bands, text/photo test, tone, Atkinson or text dither).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "image/gray2bytes.h"

namespace {

constexpr uint32_t kWidth = 2480;
constexpr uint32_t kHeight = 3508;

// White margins, blocks of text-like strokes and a photo-like ramp.
std::vector<uint8_t> a4Page() {
    std::vector<uint8_t> page(static_cast<size_t>(kWidth) * kHeight, 255);
    for (uint32_t y = 150; y < kHeight - 150; ++y) {
        const bool photo = (y / 600) % 2 == 1;
        const bool textLine = (y % 60) < 36;
        for (uint32_t x = 120; x < kWidth - 120; ++x) {
            uint8_t& p = page[static_cast<size_t>(y) * kWidth + x];
            if (photo) {
                p = static_cast<uint8_t>((x * 255 / kWidth + y % 97) % 256);
            } else if (textLine && (x * 7 + y * 3) % 23 < 6) {
                p = 0;
            }
        }
    }
    return page;
}

void BM_Gray2Bytes(benchmark::State& state) {
    setDebugLogDirectory("/tmp");
    static const std::vector<uint8_t> page = a4Page();
    std::vector<uint8_t> out(kWidth / 8 * kHeight);
    const auto mode = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        std::fill(out.begin(), out.end(), 0);
        Gray2Bytes(page.data(), out.data(), kWidth / 8, kHeight, mode);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}

BENCHMARK(BM_Gray2Bytes)->Arg(0)->Arg(6)->Arg(7)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
