// Processing chains: a KVImage holding an RGBA or grey plane becomes a
// one-bit plane ready for a printer. One general chain runs a fixed sequence
// of stages chosen by a flag word; the A4 and A4 tattoo entry points wrap it
// with fixed flag words. Also the chain's own decisions: grey conversion, the
// text/photo test, the cutting into white and data bands, and the text dither.
#pragma once

#include <cstdint>
#include <vector>

#include "image/kvimage.h"

// Bits of the flag word that picks the chain's stages.
enum KVImageFlags : uint32_t {
    KVImageFlagCutImage = 0x1,
    KVImageFlagSerpentine = 0x2,
    KVImageFlagSharpenTattoo = 0x4,
    KVImageFlagTattooLine = 0x8,
    KVImageFlagSharpenNormal = 0x10,
    KVImageFlagRandomThreshold = 0x20,
    KVImageFlagBrightnessContrastReduction = 0x400,
    KVImageFlagTextBrightnessReduce = 0x40000,
    KVImageFlagImageBrightnessIncrease = 0x80000,
    KVImageFlagFloydSteinberg = 0x100000,
    KVImageFlagAtkinson = 0x200000,
    KVImageFlagBurkes = 0x400000,
    KVImageFlagSierra = 0x800000,
    KVImageFlagJarvisJudiceNinke = 0x1000000,
    KVImageFlagOrderedBayer = 0x2000000,
    KVImageFlagRandom = 0x4000000,
    KVImageFlagTextImageDither = 0x40000000,
};

// Fixed flag words.
constexpr uint32_t KVImageFlagsA4 = 0x402C0023;       // mixed text and photo pages
constexpr uint32_t KVImageFlagsA4Tattoo = 0x200437;   // tattoo stencils (plus 0x8 for the frame)
constexpr uint32_t KVImageFlagsAlgoImage = 0x200022;  // serpentine jittered Atkinson, one band

// Runs the chain. 0 on success: `gray` holds the processed plane, `bin` the
// one-bit plane, `width` may have grown to a multiple of 8 and `height` by 16
// rows (tattoo frame). Else the first failing stage's code (1 or 2).
int32_t getKVImageProcessingForCustom(KVImage* image, const PrintSetting* setting, uint32_t flags);
int32_t getKVImageProcessingForA4(KVImage* image, const PrintSetting* setting);
// `tattooLine` 1 adds the stencil frame.
int32_t getKVImageProcessingForA4Tattoo(KVImage* image, const PrintSetting* setting, uint32_t tattooLine);

// Grey = 0.2989 R + 0.587 G + 0.114 B (single precision, truncated); replaces any old grey plane.
int32_t KVImageConvertRGBA2Gray(KVImage* image);
// 1 when the band looks like text, 0 for a photo (and for an unusable band).
int32_t KVImageIsText(const KVImage* band);
// 1 when all `width` grey values are above 252.
int32_t isWhiteLine(const uint8_t* row, uint32_t width);
// New array of bands (white and data runs of whole rows, grey planes only);
// null and *count = 0 on failure. Free with freeKVImageDataArray.
KVImage* KVImageCutImage(const KVImage* image, uint32_t* count);
// The same bands as views: grey planes pointing into the picture's own plane,
// nothing copied and nothing to free (a vector that can't grow throws
// std::bad_alloc). False for an unusable picture.
bool KVImageCutImageViews(const KVImage* image, std::vector<KVImage>& views);
// Stucki-weighted integer error diffusion for bands judged text.
int32_t KVImageTextImageDither(KVImage* band);
