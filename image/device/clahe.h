// Contrast-limited adaptive histogram equalisation (CLAHE, after the reference
// implementation in Graphics Gems IV) of grey planes, and the per-channel
// form for RGB pictures.
#pragma once

#include <cstdint>

// CLAHE in place on an xRes x yRes grey plane whose values lie in min..max,
// with nrX x nrY contextual regions, nrBins histogram bins (0 means 128) and a
// clip factor (exactly 1.0: nothing done; 0 or less: a clip limit of 16384).
// Returns 0, or an error with the plane unchanged: -1 more regions across than
// pixels, -2 more regions down than rows, -3 / -4 size not divisible by the
// regions, -6 min not below max, -7 fewer than 2 regions either way, -8 out of memory.
int CLAHE(uint8_t* image, uint32_t xRes, uint32_t yRes, uint8_t min, uint8_t max, uint32_t nrX, uint32_t nrY,
          uint32_t nrBins, float clipLimit);

// Copies source to destination and runs CLAHE on it with region counts fitted
// to the size (the smallest count from tilesX / tilesY upward that divides the
// width / height, or the given count when none below the size does) and the
// source's own grey range. On a CLAHE error the destination equals the source.
// Returns CLAHE's result. Source and destination may be the same plane.
int imageHeightenHistogram(const uint8_t* source, uint8_t* destination, uint32_t width, uint32_t height, uint8_t tilesX,
                           uint8_t tilesY, uint8_t bins, uint8_t clipLimit);

// Per-channel CLAHE of an RGB picture. `work` is 6 x width x height bytes: the
// channels are split to offsets 3N, 4N, 5N, enhanced there and interleaved
// again into the first 3N bytes.
void rgbHeightenHistogram(const uint8_t* rgb, uint8_t* work, uint32_t width, uint32_t height, uint8_t tilesX,
                          uint8_t tilesY, uint8_t bins, uint8_t clipLimit);
