// One page as the generators take it: rows of whole bytes padded with white,
// grey (one byte per dot) or RGBA in the byte order the two-colour generator
// reads, assembled from the raster lines PAPPL hands the driver.
#pragma once

#include <cstdint>
#include <vector>

namespace kvapp {

struct PageImage {
    std::vector<uint8_t> pixels;  // height x stride bytes
    uint64_t stride = 0;          // bytes per row
    uint32_t channels = 1;        // 1 grey, 4 RGBA
    uint64_t width = 0;           // dots per row (a multiple of 8)
    uint64_t height = 0;
};

// Collects the lines of one page. The page buffer keeps the filter's layout:
// a row of n dots is n rounded up to a multiple of 8, the extra dots white.
class PageAssembler {
public:
    // lineWidth: dots per line; lineChannels: 1 (grey) or 3 (sRGB) bytes per
    // dot in; rgba: build RGBA (alpha first when alphaFirst) instead of grey.
    // Refuses (returns false) a page beyond maxBytes.
    bool begin(uint32_t lineWidth, uint32_t lineHeight, uint32_t lineChannels, bool rgba, bool alphaFirst,
               uint64_t maxBytes);
    void addLine(uint32_t y, const uint8_t* line);
    PageImage& page() { return page_; }

private:
    PageImage page_;
    uint32_t lineWidth_ = 0;
    uint32_t lineChannels_ = 1;
    bool alphaFirst_ = false;
};

}  // namespace kvapp
