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
        kvClearConnectionCache();
    }
    ~ProtocolStateGuard() {
        setODMPrinterType(type_);
        setMaxDataLengthOnePackage(buff_);
        setDownFileOnePackage(down_);
        kvClearConnectionCache();
    }

private:
    uint32_t type_, buff_, down_;
};

}  // namespace kvptest

#include "protocol/aes128.h"
#include "protocol/crc32.h"

namespace kvptest {

struct ParsedFrame {
    uint8_t kind = 0, cmd = 0, subCmd = 0;
    Bytes payload;
    bool crcOk = false;
};

// Splits a run of frames of the current family (decrypting family 163's
// bodies); stops at the first frame that does not fit.
inline std::vector<ParsedFrame> splitFrames(const Bytes& bytes) {
    const uint32_t type = getODMPrinterType();
    const size_t prefix = type == 163 ? 4 : 6;
    std::vector<ParsedFrame> frames;
    size_t at = 0;
    while (at + prefix <= bytes.size()) {
        const size_t bodyLength = bytes[at + prefix - 2] | bytes[at + prefix - 1] << 8;
        if (at + prefix + bodyLength + 4 > bytes.size() || bodyLength < 5) break;
        Bytes body(bytes.begin() + long(at + prefix), bytes.begin() + long(at + prefix + bodyLength));
        ParsedFrame frame;
        frame.crcOk = le32(bytes, at + prefix + bodyLength) == referenceCrc(kvCrcSeedForType(type), body);
        if (bytes[at + prefix - 3] == 0x20) {
            AES_Init(AES128_Key);
            AES_Decrypt(body.data(), body.data(), uint32_t(body.size()), AES128_IVKey);
        }
        frame.kind = body[0], frame.cmd = body[1], frame.subCmd = body[2];
        const size_t length = body[3] | body[4] << 8;
        frame.payload.assign(body.begin() + 5, body.begin() + 5 + long(std::min(length, body.size() - 5)));
        frames.push_back(frame);
        at += prefix + bodyLength + 4;
    }
    return frames;
}

inline std::vector<ParsedFrame> framesOf(SendPack pack) { return splitFrames(take(pack)); }

}  // namespace kvptest
