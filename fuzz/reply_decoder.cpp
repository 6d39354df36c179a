// Fuzz target: arbitrary printer bytes through the frame decoder, the
// hand-over and the reply analysis, for the printer family named by the first
// byte (plain, family 31's seed, encrypted 163, and 30 with class 8). Bit 2
// of that byte makes the application hand frames over only at the end of the
// input, as the JSON wrapper does, so frames pile up behind one another.
#include <cstddef>
#include <cstdint>

#include "protocol/command_builders.h"
#include "protocol/host/reply_analysis.h"
#include "protocol/host/reply_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const uint32_t kFamilies[] = {28, 31, 163, 30};
    setODMType(kFamilies[data[0] % 4]);
    const bool handOverLate = (data[0] & 4) != 0;
    HAL_KVDecodeReset();
    while (HAL_KV_AckToAPP_Process()) {}
    for (size_t i = 1; i < size; ++i) {
        if (handOverLate) {
            HAL_KV_Packet_Decode(data[i]);
            continue;
        }
        ReceivePack pack = getJsonString(data[i]);
        freeReceivePack(pack);
    }
    if (HAL_KV_AckToAPP_Process()) analysisPack();
    return 0;
}
