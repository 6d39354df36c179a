// CRC-32 that closes every device-protocol frame: the reflected IEEE 802.3
// CRC (polynomial 0xEDB88320), continued from a seed the way zlib continues a
// running CRC. The printers expect a family-specific seed.
#pragma once

#include <cstdint>

// Seeds: family 31 uses its own, every other family the common one.
inline constexpr uint32_t kKvCrcSeed = 0x76953521u;
inline constexpr uint32_t kKvCrcSeedType31 = 0x76983521u;

extern "C" {

extern const uint32_t KV_crc32tab[256];

// CRC of length bytes continued from seed (NOT seed in, NOT register out).
uint32_t HAL_KV_crc32(uint32_t seed, const uint8_t* data, uint32_t length);
// The same CRC continued over two buffers; the second may be null with length 0.
uint32_t HAL_KV_crc32_twoBuff(uint32_t seed, const uint8_t* first, uint32_t firstLength, const uint8_t* second,
                              uint32_t secondLength);

}  // extern "C"

// Seed for an ODM printer type.
inline constexpr uint32_t kvCrcSeedForType(uint32_t odmType) { return odmType == 31 ? kKvCrcSeedType31 : kKvCrcSeed; }
