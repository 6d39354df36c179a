// Frame builder of the device protocol. A frame is: 0xA3 0x1E (left out for
// printer family 163), the family byte, the encryption nibble, the body length,
// the body (kind byte, cmd, subCmd, payload length, payload) and the CRC-32 of
// the body. Family 163 encrypts the body with AES-128 CBC.
#pragma once

#include <cstdint>
#include <span>

#include "protocol/send_pack.h"

// Largest payload whose clear body (payload + 5) fits the 16-bit length field,
// and the largest whose zero-padded cipher body still fits it.
inline constexpr uint32_t kKvMaxClearPayload = 65530;
inline constexpr uint32_t kKvMaxEncryptedPayload = 65514;

extern "C" {

// Builds the frame in a fresh heap buffer (malloc) and stores its length.
// payload may be null when head.dataLength is 0. A payload too large for the
// 16-bit length field (or a null payload with a length) gives null and length 0.
uint8_t* HAL_KV_Protocol_PacketBuid(ProtocolPackHead head, const uint8_t* payload, uint32_t* frameLength);

// The frame as a SendPack; also keeps the file-download progress counters.
SendPack kvGetProtocolPack(ProtocolPackHead head, const uint8_t* payload);

}  // extern "C"

// Builder of a host command frame: packetKind 1, the given replyFlag and the
// encryption the current family uses. Payloads that do not fit the frame's
// length fields give the empty SendPack.
SendPack kvBuildCommand(uint8_t cmd, uint8_t subCmd, std::span<const uint8_t> payload, uint8_t replyFlag = 1);
// The same with an explicit encryption type.
SendPack kvBuildCommandEncrypted(uint8_t cmd, uint8_t subCmd, std::span<const uint8_t> payload, uint8_t replyFlag,
                                 uint8_t encryptType);
