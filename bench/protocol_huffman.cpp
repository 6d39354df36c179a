// Huffman coding and framing of a full device page: 1664 x 2400 one-bit dots
// (208-byte rows), label-like content (white with text-like strokes).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "protocol/huffman.h"
#include "protocol/image_transfer.h"
#include "protocol/protocol_state.h"

namespace {

constexpr uint32_t kWidth = 1664, kHeight = 2400, kRowBytes = kWidth / 8;

std::vector<uint8_t> labelPage() {
    std::vector<uint8_t> page(size_t{kRowBytes} * kHeight, 0);
    std::mt19937 rng(42);
    for (uint32_t y = 0; y < kHeight; ++y) {
        if ((y / 40) % 3 == 2) continue;  // blank lines between text lines
        for (uint32_t x = 8; x < kRowBytes - 8; ++x)
            if (rng() % 3 == 0) page[size_t{y} * kRowBytes + x] = static_cast<uint8_t>(rng());
    }
    return page;
}

void BM_TreeAndPackagedEncoding(benchmark::State& state) {
    const std::vector<uint8_t> page = labelPage();
    for (auto _ : state) {
        uint32_t nodes = 0, packages = 0;
        HfmNode* tree = KVGetHfmTree(page.data(), static_cast<uint32_t>(page.size()), &nodes);
        DataBagEntry* bag = KVHFMDGencoding(tree, nodes, page.data(), kRowBytes, kHeight, 8150, &packages);
        benchmark::DoNotOptimize(bag);
        KVFreeSendDataBag(bag);
        KVFreeHfmTree(tree);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_TreeAndPackagedEncoding)->Unit(benchmark::kMillisecond);

// The whole compressed transfer, measuring and filling call, as a page sends it.
void BM_CompressedTransfer(benchmark::State& state) {
    setDebugLogDirectory("/tmp");
    setODMPrinterType(28);
    setMaxDataLengthOnePackage(static_cast<uint32_t>(state.range(0)));
    const std::vector<uint8_t> page = labelPage();
    for (auto _ : state) {
        uint32_t size = 0;
        getAllCompressImagePart(page.data(), kWidth, kHeight, 0, 0, 1, &size);
        SendPack pack = getAllCompressImagePart(page.data(), kWidth, kHeight, 0, 0, 1, &size);
        benchmark::DoNotOptimize(pack.data);
        state.counters["frame_bytes"] = pack.length;
        freeSendPack(pack.data, pack.length);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_CompressedTransfer)->Arg(2048)->Arg(8192)->Unit(benchmark::kMillisecond);

}  // namespace
