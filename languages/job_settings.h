// Job settings: one record per run, filled from the command line, the PPD and
// the job options (each later source overriding the earlier; the filter's
// settings reader), and read by every generator.
#pragma once

#include <cstdint>

// Strip limits of the compressed TSPL and ZPL forms when the PPD names none
// (KVAttr NoCompressie and Compressie): raw and compressed bytes per strip.
inline constexpr int64_t kDefaultStripLimitRaw = 300000;
inline constexpr int64_t kDefaultStripLimitCompressed = 64000;

struct JobSettings {
    int32_t jobId;
    char* user;
    char* title;
    int32_t copies;
    int32_t widthMM;
    int32_t heightMM;
    int16_t darkness;
    int16_t printSpeed;
    int16_t horizontal;
    int16_t vertical;
    int32_t mediaTracking;
    int16_t printMode;
    int16_t colourDarkness;
    int16_t isCompressie;
    int32_t resolution;
    int32_t maxWidthMM;
    int64_t noCompressie;
    int64_t compressie;
    int16_t silentPrint;
    int16_t positioningMode;
    int32_t cashDrawer;
    int32_t blankSpace;
    int32_t feedDist;
    int32_t cutting;
    int32_t beeper;
    int32_t colorPrintModel;
    // The largest page the printer's media allow, in dots: the PPD's custom
    // size limits or its largest paper size, at its highest resolution. 0 when
    // the PPD doesn't say (or there is none); the page loop then applies its
    // own cap.
    int32_t mediaMaxWidthDots;
    int32_t mediaMaxHeightDots;
};
