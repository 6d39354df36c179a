// Table-driven CRC-16/XMODEM.
#include "languages/crc16.h"

#include <array>

namespace {

constexpr std::array<uint16_t, 256> makeCrcTable() {
    std::array<uint16_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n << 8;
        for (int k = 0; k < 8; ++k) c = (c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1;
        table[n] = static_cast<uint16_t>(c);
    }
    return table;
}
constexpr std::array<uint16_t, 256> crc_table = makeCrcTable();

}  // namespace

uint16_t CRC16(const uint8_t* data, uint64_t len) {
    uint16_t crc = 0;
    for (uint64_t i = 0; i < len; ++i) {
        crc = static_cast<uint16_t>(crc_table[((crc >> 8) ^ data[i]) & 0xFF] ^ (crc << 8));
    }
    return crc;
}
