// The simple grey-threshold conversion of four-byte pixels (byte 0 alpha,
// bytes 1-3 colour) to a one-bit bitmap, used for the images that the file and
// custom-print downloads carry.
#pragma once

#include <cstdint>
#include <vector>

// grey = integer part of 0.3 x byte 1 + 0.59 x byte 2 + 0.11 x byte 3 (double,
// added in that order); a dot (bit 1, MSB leftmost) where grey <= threshold.
// Rows of (width + 7) / 8 bytes. Empty for null pixels or a zero size.
std::vector<uint8_t> kvArgbToBitmapByThreshold(const uint8_t* pixels, uint32_t width, uint32_t height,
                                               uint8_t threshold);
