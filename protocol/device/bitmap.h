// One-bit bitmaps of the device print path as owned buffers, and the whole-
// bitmap operations on them: inversion, the 180-degree turn, blank margins,
// white padding of grey rows.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "protocol/device/image_front_end.h"

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
// A malloc'ed byte buffer (handed to C callers with release()).
using MallocBytes = std::unique_ptr<uint8_t[], FreeDeleter>;

// A bitmap of rows of (width + 7) / 8 bytes.
struct MallocBitmap {
    MallocBytes bytes;
    uint32_t width = 0;   // dots
    uint32_t height = 0;  // rows
};

// Bytes of a width x height bitmap.
inline size_t bitmapBytes(uint32_t width, uint32_t height) { return (size_t{width} + 7) / 8 * height; }

// A zeroed bitmap (bytes null when the memory can't be had).
MallocBitmap allocBitmap(uint32_t width, uint32_t height);

// Inverts every dot; the unused bits at the end of a row stay 0.
void invertBitmap(MallocBitmap& bitmap);
// Turns the bitmap by 180 degrees.
void turnBitmap180(MallocBitmap& bitmap);
// Blank margins (top and left are the full size when there is no dot).
ImageGap measureGap(const uint8_t* bits, uint32_t width, uint32_t height);
// Grey rows of `width` copied into rows of `newWidth`, the new columns white.
std::vector<uint8_t> padRowsWhite(const std::vector<uint8_t>& grey, uint32_t width, uint32_t height, uint32_t newWidth);

// The byte with its bit order reversed.
uint8_t reverseBits(uint8_t byte);

// The bitmap driveGetDataFromGrayImage (rotation 0) gives for a grey image,
// worked on the image itself instead of a four-byte copy of it, for the modes
// of the device print job (0, 4 to 8, 12, and the KVImage chains 9 to 11 at a
// width of whole bytes; anything else takes the four-byte way). The image is taken over: changed in place and
// freed. Bytes null when the conversion fails.
MallocBitmap convertGrayImage(MallocBytes grey, uint32_t width, uint32_t height, uint32_t mode);
