// Older grey-to-black-and-white conversions (ordered and clustered dot tables,
// a plain threshold, an error diffusion) and the Atkinson dither of 32-bit
// pixels. Nothing in the filter calls them; they are kept for applications.
#pragma once

#include <cstdint>

// Modes of Gray2SingleColor; any other value is the plain threshold at 143.
enum Gray2SingleColorMode : int32_t {
    wartermarkBitmapDiffuse = -1,
    BitmapDiffuse = 2,
    BitmapFocuse = 3,
    BitmapErrorDisffusion = 4,
};

// New buffer of `size` bytes (caller frees with free()), pre-filled with 255,
// with 0 at the pixels (index y x width + x, below `size`) that the mode makes
// black. Every mode writes one byte per pixel. Null for a null image, a zero
// size or a failed allocation.
uint8_t* Gray2SingleColor(const uint8_t* grey, uint32_t size, int32_t width, int32_t height, int32_t mode);

// Copies the image to `out`, then dithers bytes 0, 1, 2 of every pixel to 0 or
// 255 in serpentine order with the Atkinson kernel (one eighth of the error to
// six neighbours, the rest dropped). Byte 3 keeps its value.
void atkinsonDither(const uint8_t* argb, int32_t width, int32_t height, uint8_t* out);
