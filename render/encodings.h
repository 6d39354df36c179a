// The encodings inside printer bytes that the decoders undo: hexadecimal
// digits, Base64, the CRC-16 of ZPL's Z64 fields and zlib streams.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kvrender {

// Two hexadecimal digits per byte (either case); nullopt at the first other
// character, whose index is stored in badIndex.
std::optional<std::vector<uint8_t>> fromHex(std::span<const uint8_t> text, size_t& badIndex);
// RFC 4648 Base64 with padding; nullopt at the first character outside the
// alphabet (index in badIndex).
std::optional<std::vector<uint8_t>> fromBase64(std::span<const uint8_t> text, size_t& badIndex);
// CRC-16/XMODEM (polynomial 0x1021, initial 0).
uint16_t crc16Xmodem(std::span<const uint8_t> bytes);
// Inflates a zlib stream that must hold exactly `expected` bytes; "" on
// success, else what went wrong.
std::string inflateExactly(std::span<const uint8_t> z, std::vector<uint8_t>& out, size_t expected);

}  // namespace kvrender
