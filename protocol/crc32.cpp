// Table-driven CRC-32 for the device-protocol frames.
#include "protocol/crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> makeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = makeTable();

uint32_t run(uint32_t reg, const uint8_t* data, uint32_t length) {
    if (data == nullptr) return reg;
    for (uint32_t i = 0; i < length; ++i) reg = kTable[(reg ^ data[i]) & 0xFFu] ^ (reg >> 8);
    return reg;
}

}  // namespace

extern "C" {

const uint32_t KV_crc32tab[256] = {
#define KV_ROW(i) \
    kTable[i], kTable[i + 1], kTable[i + 2], kTable[i + 3], kTable[i + 4], kTable[i + 5], kTable[i + 6], kTable[i + 7]
    KV_ROW(0),   KV_ROW(8),   KV_ROW(16),  KV_ROW(24),  KV_ROW(32),  KV_ROW(40),  KV_ROW(48),  KV_ROW(56),
    KV_ROW(64),  KV_ROW(72),  KV_ROW(80),  KV_ROW(88),  KV_ROW(96),  KV_ROW(104), KV_ROW(112), KV_ROW(120),
    KV_ROW(128), KV_ROW(136), KV_ROW(144), KV_ROW(152), KV_ROW(160), KV_ROW(168), KV_ROW(176), KV_ROW(184),
    KV_ROW(192), KV_ROW(200), KV_ROW(208), KV_ROW(216), KV_ROW(224), KV_ROW(232), KV_ROW(240), KV_ROW(248),
#undef KV_ROW
};

uint32_t HAL_KV_crc32(uint32_t seed, const uint8_t* data, uint32_t length) { return ~run(~seed, data, length); }

uint32_t HAL_KV_crc32_twoBuff(uint32_t seed, const uint8_t* first, uint32_t firstLength, const uint8_t* second,
                              uint32_t secondLength) {
    return ~run(run(~seed, first, firstLength), second, secondLength);
}

}  // extern "C"
