// Packing compare results into one-bit rows, eight dots a byte, most
// significant bit leftmost, without a branch or a shift per dot.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Eight compare results (0x00 or 0xFF each, leftmost dot first) to one byte:
// each result keeps its own bit, and the multiplication adds the eight bits
// into the top byte (they never overlap, so nothing carries).
inline uint8_t packMask8(const uint8_t* mask) {
    uint64_t m;
    std::memcpy(&m, mask, 8);
    if constexpr (std::endian::native == std::endian::little) {
        m &= 0x0102040810204080ull;
    } else {
        m &= 0x8040201008040201ull;
    }
    return static_cast<uint8_t>((m * 0x0101010101010101ull) >> 56);
}

// One byte of dots for the eight values from `values`: a dot where the
// value is below `limit`.
inline uint8_t packBelow8(const uint8_t* values, uint8_t limit) {
    uint8_t mask[8];
    for (int k = 0; k < 8; ++k) mask[k] = values[k] < limit ? 0xFF : 0x00;
    return packMask8(mask);
}
