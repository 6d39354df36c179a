// The bit order of a byte turned around (bit 7 becomes bit 0): one table for
// the image library and the device path's bitmaps.
#pragma once

#include <array>
#include <cstdint>

namespace kvbits {

constexpr std::array<uint8_t, 256> makeBitReverse() {
    std::array<uint8_t, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        unsigned r = 0;
        for (unsigned b = 0; b < 8; ++b) r |= ((v >> b) & 1u) << (7 - b);
        table[v] = static_cast<uint8_t>(r);
    }
    return table;
}

}  // namespace kvbits

inline constexpr std::array<uint8_t, 256> kBitReverse = kvbits::makeBitReverse();
