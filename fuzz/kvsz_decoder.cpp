// Fuzz target: arbitrary bytes through the second family's decoder, hand-over
// and report. Bit 0 of the first byte makes the application hand packets over
// only at the end of the input, so packets pile up behind one another.
#include <cstddef>
#include <cstdint>

#include "protocol/host/kvsz_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool handOverLate = (data[0] & 1) != 0;
    KVSZ_DecodeReset();
    while (KVSZ_AckToAppProcess()) {}
    for (size_t i = 1; i < size; ++i) {
        if (handOverLate) {
            KVSZ_Packet_Decode(data[i]);
            continue;
        }
        KVSZReceivePack pack = getKVSZJsonString(data[i]);
        freeKVSZReceivePack(pack);
    }
    if (KVSZ_AckToAppProcess()) KVSZ_AnalysisPack();
    return 0;
}
