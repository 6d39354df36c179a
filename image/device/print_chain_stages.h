// Stages of the colour-to-print-data chain on bare byte planes: grey
// conversion, unsharp mask, error diffusion with an automatic (Otsu)
// threshold, packing to one-bit rows, and the 16-level posterisation.
#pragma once

#include <cstdint>

// grey = 0.2989 R + 0.587 G + 0.114 B in single precision, truncated, at most 255.
void rgb2Gray(const uint8_t* rgb, uint8_t* gray, uint32_t width, uint32_t height);

// Unsharp mask over a (2 radius + 1)^2 window; pixels outside the plane repeat
// the nearest edge pixel. A radius below 1 copies the plane unchanged.
void sharpening(const uint8_t* source, uint8_t* destination, uint32_t width, uint32_t height, int8_t radius,
                int8_t strength);

// In-place error diffusion. kernel 0: the 42-weight (Stucki) kernel, 1:
// Floyd-Steinberg; bilevel 1: black/white at `threshold` (0 means 127),
// bilevel 0: sixteen levels. Other kernel or bilevel values do nothing.
void errDiffImg(uint8_t* plane, uint32_t width, uint32_t height, uint32_t kernel, uint32_t bilevel, uint8_t threshold);

// Otsu threshold of the plane: the first grey level with the largest
// between-class variance; 0 for a plane of one grey level.
uint8_t getBestThreshold(const uint8_t* plane, uint32_t width, uint32_t height);

// Sets the bit of every pixel whose value is below `threshold`, pixels in
// plane order running on across rows, most significant bit first. `out` holds
// (width x height + 7) / 8 bytes and is zeroed by the caller.
void gray2BinByte(const uint8_t* plane, uint8_t* out, uint32_t width, uint32_t height, uint8_t threshold);

// Replaces every value by the middle of its band of 16; returns the height.
uint32_t gray256ToGray16(uint8_t* plane, uint32_t width, uint32_t height);
