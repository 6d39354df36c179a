// The colour-to-print-data chain: an RGB picture to a packed one-bit page
// through optional per-channel CLAHE, grey conversion, unsharp mask, grey
// CLAHE and error diffusion, then a threshold (and optional inversion and
// 180-degree turn). Each optional stage runs when its record is passed.
#pragma once

#include <cstdint>

#include "image/kvimage.h"

// `rgb`: width x height x 3 bytes; `out`: width x height / 8 bytes zeroed by
// the caller (bits are only ever set). Any record may be null; a record's
// buffer, when set, receives that stage's plane. Returns 1 after running the
// chain, 0 (out untouched) for a null `rgb` or `out`, a width that is not a
// multiple of 8, or a plane that can't be allocated.
int rgb2PrintData(const uint8_t* rgb, uint8_t* out, uint32_t width, uint32_t height,
                  const RGBHistogramParam* rgbHistogram, const SingleColorDataParam* singleColor,
                  const SharpeningParam* sharpen, const HistogramParam* histogram, const ErrDiffParam* errDiff,
                  const PrintParam* print, const DebugParam* debug);
