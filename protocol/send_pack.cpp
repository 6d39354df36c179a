// SendPack helpers: the empty result, release, and heap copies.
#include "protocol/send_pack.h"

#include <cstdlib>
#include <cstring>

SendPack kvGetEmptyProtocolPack(void) { return SendPack{nullptr, 0}; }

void freeSendPack(uint8_t* data, uint32_t /*length*/) { std::free(data); }

void kvFree(void* buffer) { std::free(buffer); }

SendPack kvSendPackFromBytes(std::span<const uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > UINT32_MAX) return kvGetEmptyProtocolPack();
    auto* data = static_cast<uint8_t*>(std::malloc(bytes.size()));
    if (data == nullptr) return kvGetEmptyProtocolPack();
    std::memcpy(data, bytes.data(), bytes.size());
    return SendPack{data, static_cast<uint32_t>(bytes.size())};
}
