// Helpers shared by the protocol tests: byte vectors from SendPacks, a bitwise
// reference CRC, and a guard that restores the protocol's module state.
#pragma once

#include <cstdint>
#include <vector>

#include "protocol/protocol_state.h"
#include "protocol/send_pack.h"

namespace kvptest {

using Bytes = std::vector<uint8_t>;

// Takes ownership of the pack and returns its bytes.
inline Bytes take(SendPack pack) {
    SendPackPtr owned(pack);
    return Bytes(owned.bytes().begin(), owned.bytes().end());
}

// Bit-at-a-time reflected CRC-32 continued from a seed.
inline uint32_t referenceCrc(uint32_t seed, const Bytes& data) {
    uint32_t reg = ~seed;
    for (uint8_t byte : data) {
        reg ^= byte;
        for (int k = 0; k < 8; ++k) reg = (reg >> 1) ^ ((reg & 1u) ? 0xEDB88320u : 0u);
    }
    return ~reg;
}

inline uint32_t le32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// Sets the printer family and frame length for one test, restoring both after.
class ProtocolStateGuard {
public:
    explicit ProtocolStateGuard(uint32_t odmType, uint32_t buffLength = 2048)
        : type_(getODMPrinterType()), buff_(getMaxDataLengthOnePackage()), down_(getDownFileOnePackage()) {
        setODMPrinterType(odmType);
        setMaxDataLengthOnePackage(buffLength);
        resetCacheWhenStartConnect();
    }
    ~ProtocolStateGuard() {
        setODMPrinterType(type_);
        setMaxDataLengthOnePackage(buff_);
        setDownFileOnePackage(down_);
        resetCacheWhenStartConnect();
    }

private:
    uint32_t type_, buff_, down_;
};

}  // namespace kvptest
