// Fuzz target: arbitrary bytes through the second family's decoder, hand-over
// and report.
#include <cstddef>
#include <cstdint>

#include "protocol/host/kvsz_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KVSZ_DecodeReset();
    for (size_t i = 0; i < size; ++i) {
        KVSZReceivePack pack = getKVSZJsonString(data[i]);
        freeKVSZReceivePack(pack);
    }
    return 0;
}
