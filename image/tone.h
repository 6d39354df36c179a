// Grey-plane adjustments applied to each band before dithering (lightening and
// darkening curves, the tone S-curve, tattoo sharpening, Gaussian blur and the
// unsharp mask) and the stencil frame drawn into a finished tattoo bitmap.
// Results: 0 done, 1 null record, zero size or missing plane, 2 out of memory.
#pragma once

#include <cstdint>

#include "image/kvimage.h"

// The fixed lightening (photo) and darkening (text) curves, indexed by grey.
extern const uint8_t kvBrightnessIncreaseTable[256];
extern const uint8_t kvBrightnessReduceTable[256];

uint32_t KVImageBrightnessIncrease(KVImage* band);
uint32_t KVImageBrightnessReduce(KVImage* band);
// Piecewise tone curve (steeper mid-tones).
uint32_t KVImageBrightnessContrastReduction(KVImage* band);
// 231..239 raised by 5, 240 and above to white.
uint32_t KVImageSharpenTattoo(KVImage* band);

// Separable Gaussian blur of a grey plane into `destination` (same size), edge
// pixels repeated; `radius` at least 1.
int32_t gaussianBlur(const uint8_t* source, uint8_t* destination, uint32_t width, uint32_t height, uint16_t radius);
// Unsharp mask: g + trunc((g - blurred) * amount), limited to 0..255.
int32_t KVImageSharpenNormal(KVImage* band, uint16_t radius, float amount);

// Adds 16 white rows below the one-bit plane and draws the stencil frame
// (corner bars and wavy side lines). Refuses (1) pictures narrower than 240
// or lower than 252 rows.
uint32_t KVImageAddTattooLine(KVImage* image);
