// Grey raster rows (0 black .. 255 white, one byte per dot) to packed one-bit
// rows (most significant bit leftmost, 1 = black dot), chosen by print mode.
#pragma once

#include <cstdint>

// Modes 0 to 5 (as unsigned): fixed thresholds and ordered-dither tables;
// any other mode: the image-processing chain. `out` is widthBytes * height
// bytes, zero-filled by the caller.
void Gray2Bytes(const uint8_t* gray, uint8_t* out, uint32_t widthBytes, uint32_t height, int32_t mode);
// The table path alone (modes 0 to 5).
void old_Gray2Bytes(const uint8_t* gray, uint8_t* out, uint32_t widthBytes, uint32_t height, int32_t mode);
// Upper-case hexadecimal digit of 0..15; '0' for anything larger.
char charToHex(uint32_t nibble);

// The dither tables of modes 2, 3 and 4.
extern const uint8_t OrderedBayer8[8][8];
extern const uint8_t ClusteredDot8[8][8];
extern const uint8_t OrderedBayer16[16][16];
