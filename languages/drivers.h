// The driver table: for every device type, what a job needs from the
// languages library: the job start and end bytes, the page generator, what
// print mode 5 stands for, the colour space of the pages it takes and whether
// pages are cropped to the maximum print width. The filter's page loop and the
// printer application both go through it, so neither holds device-type numbers.
#pragma once

#include <cstdint>

#include "base/dynamic_array.h"
#include "languages/job_settings.h"

// One page as the generators take it: rows of width pixels of `channels`
// bytes (1 grey; 3 RGB or 4 RGBA for the two-colour languages), no gaps.
struct DriverPage {
    const uint8_t* pixels;
    int64_t width;
    uint64_t height;
    int channels;
};

enum class PageColours : uint8_t { Grey, Rgba };

struct Driver {
    int32_t devType;
    // The page's complete output (a fresh array; null when the type has no generator).
    DynamicArray* (*page)(const Driver& driver, const DriverPage& page, const JobSettings* settings);
    // Bytes before the first page and after the last; null when there are none.
    void (*jobStart)(DynamicArray* out, const JobSettings& settings);
    void (*jobEnd)(DynamicArray* out, const JobSettings& settings);
    int16_t printModeFive;   // the print mode that print mode 5 asks for
    PageColours colours;     // what the page should be (other pages are logged, then converted)
    bool cropsToPrintWidth;  // cut to the maximum print width before the generator runs
    bool deviceModel;        // a device protocol model: an empty page was refused by the model
};

// The driver of a device type. Every number has one: types without a
// generator get an entry that generates nothing (or, below 160, the device
// job's refusal), with the colour space and print modes of their range.
Driver driverFor(int32_t devType);

// Hands the job's printer family (odmType) to the device protocol; every job
// start does, whatever the device type.
void setPrinterFamily(uint8_t odmType);

// Print mode 5 becomes the driver's own mode; other modes stay.
void remapPrintMode(const Driver& driver, JobSettings& settings);

// The page through the driver's generator; null when it has none.
DynamicArray* generatePage(const Driver& driver, const DriverPage& page, const JobSettings* settings);
