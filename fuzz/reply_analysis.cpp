// Fuzz target: well-formed frames (class, sub-command, kind byte and payload
// from the input, CRC and encryption done right) so that every reply report
// is reached with arbitrary payloads.
#include <cstddef>
#include <cstdint>

#include "protocol/command_builders.h"
#include "protocol/frame.h"
#include "protocol/host/reply_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size - 4 > 2040) return 0;
    static const uint32_t kFamilies[] = {28, 31, 163, 30};
    setODMType(kFamilies[data[0] % 4]);
    const uint8_t kind = data[3];
    ProtocolPackHead head{
        uint8_t(data[1] % 10), data[2],           uint8_t(data[0] % 4 == 2 ? 2 : 0), uint8_t(kind >> 4),
        uint8_t(kind & 0x0F),  uint16_t(size - 4)};
    uint32_t length = 0;
    uint8_t* frame = HAL_KV_Protocol_PacketBuid(head, size > 4 ? data + 4 : nullptr, &length);
    HAL_KVDecodeReset();
    for (uint32_t i = 0; i < length; ++i) freeReceivePack(getJsonString(frame[i]));
    freeSendPack(frame, length);
    return 0;
}
