// PWG raster documents made to order for the application tests: the same
// pixels the filter tests write as CUPS raster, in the form IPP clients send.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvapptest {

struct PwgPage {
    uint32_t width = 0;     // dots
    uint32_t height = 0;    // rows
    uint32_t channels = 1;  // 1 sgray_8, 3 srgb_8
    uint32_t dpi = 203;
    std::vector<uint8_t> pixels;  // height x width x channels
};

// The bytes of a PWG raster stream with these pages (libcups writes it).
std::string pwgStream(const std::vector<PwgPage>& pages);

// A grey test page: a ramp, text-like bars, a solid block and white.
PwgPage greyTestPage(uint32_t width, uint32_t height, uint32_t dpi);
// A colour test page: black bars, red and dark-red blocks, grey ramp.
PwgPage colourTestPage(uint32_t width, uint32_t height, uint32_t dpi);

}  // namespace kvapptest
