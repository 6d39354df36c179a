// Fuzz target: arbitrary printer bytes through the frame decoder, the
// hand-over and the reply analysis, for the printer family named by the first
// byte (plain, family 31's seed, encrypted 163, and 30 with class 8).
#include <cstddef>
#include <cstdint>

#include "protocol/command_builders.h"
#include "protocol/host/reply_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const uint32_t kFamilies[] = {28, 31, 163, 30};
    setODMType(kFamilies[data[0] % 4]);
    HAL_KVDecodeReset();
    for (size_t i = 1; i < size; ++i) {
        ReceivePack pack = getJsonString(data[i]);
        freeReceivePack(pack);
    }
    return 0;
}
