// Binarisation for the device models: decides by histogram whether an image
// (or each band of content between blank rows) is text or a picture, maps it
// through a tone curve, diffuses it to pure black and white, and packs it into
// one-bit print rows.
#pragma once

#include <cstdint>

#include "image/tone.h"

// Tone curves indexed by grey value: text, pictures, pictures in method 12.
// The text and picture curves are the same bytes as the image library's
// darkening and lightening tables.
inline const uint8_t (&kvToneCurveText)[256] = kvBrightnessReduceTable;
inline const uint8_t (&kvToneCurvePicture)[256] = kvBrightnessIncreaseTable;
extern const uint8_t kvToneCurvePictureMethod12[256];

// Whole-page entry (image modes 4 to 8 and 12 of the device print path), in
// place on width x height grey bytes. Returns 0, or the first non-zero result
// of a band's binarisation (-1 when a work buffer can't be had or the image is null).
int32_t kv_cq_img2bin(uint8_t* image, uint32_t width, uint32_t height, int32_t method);
// One image or band: classify, tone curve, diffusion. -1 for a null image,
// otherwise the diffusion's result.
int32_t kv_img2bin(uint8_t* image, uint32_t width, uint32_t height, int32_t method);
// 1 text, 0 picture, -1 null image.
int32_t isText(const uint8_t* image, uint32_t width, uint32_t height);
// Stucki error diffusion at the fixed threshold 130. 0, or -1 for a null image
// or a failed allocation (image unchanged).
int32_t kv_imgdiff(uint8_t* image, uint32_t width, uint32_t height);
// Randomised Floyd-Steinberg diffusion through dither(). 0, or -1 when the work
// buffer can't be had (image unchanged).
int32_t kv_cq_dither(uint8_t* image, uint32_t width, uint32_t height);
// New buffer (caller frees with free()) of (width x height) / 8 bytes of one-bit
// rows, a dot for every pixel whose high bit for its position is clear (every
// black pixel of a 0/255 image); width should be a multiple of 8 (a partial last
// group of a row is left out). `length` receives the byte count. Null for a
// null image, an empty result or a failed allocation.
uint8_t* kv_BinImg2PrinterData(const uint8_t* image, uint32_t width, uint32_t height, uint32_t* length);
