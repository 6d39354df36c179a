// The printer command language generators. Every generator has one shape: the
// grey page (width pixels per row, rows one after another), its size and the
// job settings in; a fresh DynamicArray with the page's complete output out.
#pragma once

#include <cstdint>

#include "base/dynamic_array.h"
#include "languages/job_settings.h"

DynamicArray* getTSPLPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings);
DynamicArray* getZPLPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings);
DynamicArray* getSFZPLPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings);
DynamicArray* getCPCLPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings);
DynamicArray* getESCPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings);
// ESC/POS job start (initialise, beeper, drawer kicks) and job end (drawer
// kicks, cut, beeper, initialise), appended to `out`.
void escposJobStart(DynamicArray* out, const JobSettings& settings);
void escposJobEnd(DynamicArray* out, const JobSettings& settings);
// Two-colour page of `bytesPerPixel` bytes a pixel: 4 RGBA, 3 RGB, 1 grey (grey
// and RGB pixels are split as opaque colours); rowBytes is the page buffer's
// row length in bytes, at least width x bytesPerPixel (else no bitmap).
DynamicArray* getTSPLTwoColorPrintData(const uint8_t* page, int64_t rowBytes, int64_t width, uint64_t height,
                                       const JobSettings* settings, int bytesPerPixel = 4);

// Crops the page in place to the maximum print width; width (pixels) is in/out.
void subImageLessthenMaxPrintWidthMM(uint8_t* page, int64_t* width, uint64_t height, const JobSettings* settings,
                                     int bytesPerPixel);
