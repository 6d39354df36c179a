// Frame building: clear frames, AES-encrypted frames, and the download
// progress bookkeeping done as download frames go out.
#include "protocol/frame.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "protocol/aes128.h"
#include "protocol/crc32.h"
#include "protocol/printer_families.h"
#include "protocol/protocol_state.h"

namespace {

constexpr uint32_t kBodyHeader = 5;  // kind byte, cmd, subCmd, payload length

void putLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t getLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// Leading bytes up to the length field: A3 1E (not for 163), type, encryption.
uint32_t writePrefix(uint8_t* out, uint32_t type, uint8_t encryptType, uint32_t bodyLength) {
    uint32_t n = 0;
    if (type != kOdmEncrypted) {
        out[n++] = 0xA3;
        out[n++] = 0x1E;
    }
    out[n++] = static_cast<uint8_t>(type);
    out[n++] = static_cast<uint8_t>((encryptType & 0x0F) << 4);
    putLe16(out + n, bodyLength);
    return n + 2;
}

uint8_t* buildEncrypted(const ProtocolPackHead& head, const uint8_t* body, uint32_t bodyLength, uint32_t* frameLength) {
    uint32_t type = getODMPrinterType();
    std::vector<uint8_t> cipher(bodyLength + 16);
    std::memcpy(cipher.data(), body, bodyLength);
    AES_Init(AES128_Key);
    uint32_t padded = AES_add_zeros(cipher.data(), bodyLength);
    AES_Encrypt(cipher.data(), cipher.data(), padded, AES128_IVKey);
    uint32_t crc = HAL_KV_crc32(kvCrcSeedForType(type), cipher.data(), padded);
    auto* frame = static_cast<uint8_t*>(std::malloc(6 + padded + 4));
    if (frame == nullptr) return nullptr;
    uint32_t n = writePrefix(frame, type, head.encryptType, padded);
    std::memcpy(frame + n, cipher.data(), padded);
    putLe32(frame + n + padded, crc);
    *frameLength = n + padded + 4;
    return frame;
}

// Progress counters of a class 2 download, read by the reply reports.
void trackDownload(const ProtocolPackHead& head, const uint8_t* payload) {
    if (head.cmd != 2 || payload == nullptr) return;
    KVDownFileProgress* progress = kvDownFileProgress();
    if (head.subCmd == 1 && head.dataLength >= 12) {
        progress->totalLength = getLe32(payload + 8);
        progress->currentLength = 0;
    } else if (head.subCmd == 3 && head.dataLength >= 8) {
        uint32_t offset = getLe32(payload + 4);
        if (payload[0] == 1 && payload[1] == 0) progress->offsetBase = offset;
        progress->currentLength = offset - progress->offsetBase;
    }
}

}  // namespace

extern "C" {

uint8_t* HAL_KV_Protocol_PacketBuid(ProtocolPackHead head, const uint8_t* payload, uint32_t* frameLength) {
    uint32_t ignored = 0;
    if (frameLength == nullptr) frameLength = &ignored;
    *frameLength = 0;
    const uint32_t dataLength = head.dataLength;
    const bool encrypted = head.encryptType == 2;
    if (dataLength > (encrypted ? kKvMaxEncryptedPayload : kKvMaxClearPayload)) return nullptr;
    if (payload == nullptr && dataLength != 0) return nullptr;

    uint8_t body[kBodyHeader];
    body[0] = static_cast<uint8_t>((head.packetKind & 0x0F) << 4 | (head.replyFlag & 0x0F));
    body[1] = head.cmd;
    body[2] = head.subCmd;
    putLe16(body + 3, dataLength);
    if (encrypted) {
        std::vector<uint8_t> whole(kBodyHeader + dataLength);
        std::memcpy(whole.data(), body, kBodyHeader);
        if (dataLength != 0) std::memcpy(whole.data() + kBodyHeader, payload, dataLength);
        return buildEncrypted(head, whole.data(), kBodyHeader + dataLength, frameLength);
    }

    const uint32_t type = getODMPrinterType();
    const uint32_t total = (type == kOdmEncrypted ? 9 : 11) + dataLength + 4;
    auto* frame = static_cast<uint8_t*>(std::malloc(total));
    if (frame == nullptr) return nullptr;
    uint32_t n = writePrefix(frame, type, head.encryptType, dataLength + kBodyHeader);
    std::memcpy(frame + n, body, kBodyHeader);
    n += kBodyHeader;
    if (dataLength != 0) std::memcpy(frame + n, payload, dataLength);
    n += dataLength;
    putLe32(frame + n, HAL_KV_crc32_twoBuff(kvCrcSeedForType(type), body, kBodyHeader, payload, dataLength));
    *frameLength = total;
    return frame;
}

SendPack kvGetProtocolPack(ProtocolPackHead head, const uint8_t* payload) {
    trackDownload(head, payload);
    uint32_t length = 0;
    uint8_t* frame = HAL_KV_Protocol_PacketBuid(head, payload, &length);
    if (frame == nullptr) return kvGetEmptyProtocolPack();
    return SendPack{frame, length};
}

}  // extern "C"

SendPack kvBuildCommandEncrypted(uint8_t cmd, uint8_t subCmd, std::span<const uint8_t> payload, uint8_t replyFlag,
                                 uint8_t encryptType) {
    const uint32_t limit = encryptType == 2 ? kKvMaxEncryptedPayload : kKvMaxClearPayload;
    if (payload.size() > limit) return kvGetEmptyProtocolPack();
    ProtocolPackHead head{cmd, subCmd, encryptType, 1, replyFlag, static_cast<uint16_t>(payload.size())};
    return kvGetProtocolPack(head, payload.empty() ? nullptr : payload.data());
}

SendPack kvBuildCommand(uint8_t cmd, uint8_t subCmd, std::span<const uint8_t> payload, uint8_t replyFlag) {
    return kvBuildCommandEncrypted(cmd, subCmd, payload, replyFlag, getODMPrinterType() == kOdmEncrypted ? 2 : 0);
}
