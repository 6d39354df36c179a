// The older colour-to-grey conversions of the device print path: 32-bit
// A, R, G, B pixels to grey, the randomised Floyd-Steinberg dither that the
// device models print photographs with, and the packing into one-bit rows.
#pragma once

#include <cstdint>

// Grey value of a pixel: 0.3 R + 0.59 G + 0.11 B (bytes 1, 2, 3) in double,
// added in that order and truncated toward zero.
uint8_t argbGrayValue(const uint8_t* pixel);

// Writes into `out` (same layout) the grey value into bytes 1 to 3 of every
// pixel and copies byte 0. `out` may be `argb` itself.
void gray(const uint8_t* argb, int32_t width, int32_t height, uint8_t* out);
// Writes the grey value of every pixel into the one-byte-per-pixel `out`.
void argb2SingleGray(const uint8_t* argb, int32_t width, int32_t height, uint8_t* out);
// Packs into one-bit rows of (width + 7) / 8 bytes (zero-filled by the caller):
// a dot where byte 1 of the pixel is at most `threshold`. Returns the row
// length, or 0 (nothing written) when width or height is below 1.
int32_t grayRGBA2SingleColor(const uint8_t* argb, int32_t width, int32_t height, uint8_t* out, uint8_t threshold);

// Randomised Floyd-Steinberg dither of a 32-bit image into pure black and
// white (bytes 1 to 3 all 0 or all 255, byte 0 set to 255). The work happens in
// `out`; when `source` is another buffer it is copied there first. The jitter
// comes from kvRand(). Returns width x height (0 for an empty image).
int64_t dither(const uint8_t* source, int32_t width, int32_t height, uint8_t* out);
// The same dither on a grey image, one byte per pixel, in place: the dots (0 or
// 255) and the kvRand() draws are those dither() gives the image expanded to
// four bytes A = 255, R = G = B = grey, whose three colour bytes stay equal
// throughout. Returns width x height (0 for an empty image).
int64_t ditherGray(uint8_t* grey, int32_t width, int32_t height);
// 1 when the colour (bytes 3, 2, 1) is judged nearer to white, 0 for black,
// with one kvRand() draw of jitter.
int getNearstColor(uint8_t c3, uint8_t c2, uint8_t c1);
// The pixel at (row, column) with factor x error[k] added to bytes 3, 2, 1
// (error[0] to byte 3), each clamped to 0..255; packed byte 3 in bits 31..24
// down to byte 0 in bits 7..0. All bits set for a position outside the image.
uint32_t getPixel(const uint8_t* image, int32_t width, int32_t height, int32_t row, int32_t column,
                  const int32_t* error, float factor);
// Stores a value packed as getPixel returns it; outside positions are ignored.
void setPixel(uint8_t* image, int32_t width, int32_t height, int32_t row, int32_t column, uint32_t value);
