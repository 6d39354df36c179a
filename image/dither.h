// Dithering and thresholding of a band's grey plane into pure black (0) and
// white (255): table-driven error diffusion (Floyd-Steinberg, Burkes, Sierra,
// Jarvis-Judice-Ninke), Atkinson, ordered 4x4 Bayer, random threshold, plain
// threshold, and the small random generator that jitters thresholds.
#pragma once

#include <cstdint>

#include "image/kvimage.h"

// One error share: `dx` columns to the right, `dy` rows down, `weight` of the error.
struct ErrorTap {
    int32_t dx;
    int32_t dy;
    float weight;
};

struct ErrorKernel {
    const ErrorTap* taps;
    int32_t count;
};

extern const ErrorTap floydSteinbergCoeffs[4];
extern const ErrorTap burkesCoeffs[7];
extern const ErrorTap sierraCoeffs[10];
extern const ErrorTap jarvisCoeffs[12];
extern const ErrorKernel floydSteinbergAlgo;
extern const ErrorKernel burkesAlgo;
extern const ErrorKernel sierraAlgo;
extern const ErrorKernel jarvisAlgo;

extern const float bayerMatrix[4][4];

// State of the random generator, process-wide; starts at 1. Every dither call
// with `jitter` set overwrites it with the clock (kvTime(), in seconds).
extern uint32_t seed;

// Linear congruential step; returns seed / 2^31 in single precision (0 to 1).
float simpleRand();
// 128, or 128 + (simpleRand() - 0.5) * 20 when `jitter` is non-zero.
float getThreshold(uint32_t jitter);

// `direction`: 0 every row left to right; 1 serpentine (odd rows right to
// left); anything else every row right to left. `jitter` non-zero: reseed from
// the clock, then jitter every threshold. Results: 0 done, 1 bad band
// (null, zero size, no grey plane), 2 out of memory (grey plane unchanged).
int32_t errorDiffusion(KVImage* band, uint32_t direction, uint32_t jitter, const ErrorKernel* kernel);
int32_t KVImageFloydSteinbergDither(KVImage* band, uint32_t direction, uint32_t jitter);
int32_t KVImageBurkesDither(KVImage* band, uint32_t direction, uint32_t jitter);
int32_t KVImageSierraDither(KVImage* band, uint32_t direction, uint32_t jitter);
int32_t KVImageJarvisJudiceNinkeDither(KVImage* band, uint32_t direction, uint32_t jitter);
int32_t KVImageAtkinsonDither(KVImage* band, uint32_t direction, uint32_t jitter);
// Atkinson from a grey page (left as it is) straight to packed one-bit rows of
// width / 8 bytes, a 1 bit where the dither gives black: the bits that
// KVImageAtkinsonDither and packing at any threshold from 1 to 255 give. The
// width must be a multiple of 8. Results as above (1 also for a null page or
// output, or a width off the byte grid).
int32_t KVImageAtkinsonDitherToBits(const uint8_t* gray, uint32_t width, uint32_t height, uint32_t direction,
                                    uint32_t jitter, uint8_t* bits);
int32_t KVImageOrderedBayerDither(KVImage* band, uint32_t direction, uint32_t jitter);
int32_t KVImageRandomDither(KVImage* band, uint32_t direction, uint32_t jitter);
// grey >= threshold gives 255, else 0. Returns 0, or 1 for a bad band.
int32_t KVImageThresholding(KVImage* band, uint8_t threshold);
