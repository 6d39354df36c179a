// Fuzz target: arbitrary text through the JSON wrapper (parse, base64, frame
// decoder) and the reply analysis.
#include <cstddef>
#include <cstdint>

#include "protocol/command_builders.h"
#include "protocol/host/reply_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    setODMType(size > 0 && (data[0] & 1) ? 163 : 28);
    HAL_KVDecodeJsonReset();
    HAL_KVDecodeReset();
    for (size_t i = 0; i < size; ++i) {
        ReceivePack pack = getJsonStringFromWrapped(data[i]);
        freeReceivePack(pack);
    }
    return 0;
}
