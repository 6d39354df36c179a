// Contrast-preserving colour-to-grey conversion of bitmaps of several bit
// depths (the older decolourisation path; nothing in the filter calls it).
// It picks, from 66 weight triples, the one whose grey differences best keep
// the colour contrast between random pairs of pixels of a small sample.
#pragma once

#include <cstdint>
#include <vector>

// Set once a palette bitmap (depth codes 1, 2, 3) has been converted; stays
// set for the life of the process. Tests may reset it.
extern bool isExistMultiformat;

// Depth codes of RGB2Gray.
enum RGB2GrayDepth : int32_t {
    kDepth1Bit = 1,
    kDepth4Bit = 2,
    kDepth8Bit = 3,
    kDepth24Bit = 5,
    kDepth32Bit = 6,
};

// New width x height grey image (caller frees with free()), pre-filled with
// 255, from bitmap data of `length` bytes (row length length / height) of the
// given depth code. `palette` holds `paletteCount` entries of 4 bytes. Null
// when width x height is not positive, a row is too short for its pixels, or
// memory runs out.
uint8_t* RGB2Gray(const uint8_t* pixels, int32_t length, const uint8_t* palette, int32_t paletteCount, int32_t depth,
                  int32_t width, int32_t height, int32_t flat, float light);

// Decolourises 24- or 32-bit pixels (rows of rowBytes bytes) into the grey
// image `out` of width x height bytes. Returns 1, or 0 for unusable arguments
// or when a work buffer can't be had.
int RealTimeRGB2gray(int32_t height, int32_t width, int32_t rowBytes, const uint8_t* pixels, int32_t bitsPerPixel,
                     uint8_t* out);
// The same conversion; then grey pixels whose source is 90,90,90 or 91,91,91
// are raised by trunc(light x 255), limited to 255. Returns 0.
int RealTimeRGB2grayAddlight(int32_t height, int32_t width, int32_t rowBytes, const uint8_t* pixels,
                             int32_t bitsPerPixel, uint8_t* out, float light);

// A random permutation of 0 .. n-1; reseeds the C generator from the clock.
std::vector<int32_t> GetRandArray(int32_t n);

// The 66 candidate weight triples in tenths (first weight rising slowest).
extern const uint8_t Wei[66][3];
