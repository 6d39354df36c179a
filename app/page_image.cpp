// Raster lines to the page buffer of the generators.
#include "app/page_image.h"

#include <algorithm>
#include <new>

namespace kvapp {

bool PageAssembler::begin(uint32_t lineWidth, uint32_t lineHeight, uint32_t lineChannels, bool rgba, bool alphaFirst,
                          uint64_t maxBytes) {
    lineWidth_ = lineWidth;
    lineChannels_ = lineChannels;
    alphaFirst_ = alphaFirst;
    page_ = PageImage{};
    page_.channels = rgba ? 4 : 1;
    page_.width = (static_cast<uint64_t>(lineWidth) + 7) / 8 * 8;
    page_.height = lineHeight;
    page_.stride = page_.width * page_.channels;
    const uint64_t total = page_.stride * page_.height;
    if (lineWidth == 0 || lineHeight == 0 || total > maxBytes) return false;
    try {
        page_.pixels.assign(total, 0xFF);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void PageAssembler::addLine(uint32_t y, const uint8_t* line) {
    if (y >= page_.height || line == nullptr) return;
    uint8_t* row = page_.pixels.data() + y * page_.stride;
    if (page_.channels == 1) {
        if (lineChannels_ == 1) {
            std::copy_n(line, lineWidth_, row);
        } else {
            // sRGB to grey with CUPS's weights (31, 61 and 8 per cent).
            for (uint32_t x = 0; x < lineWidth_; ++x) {
                const uint8_t* p = line + 3 * x;
                row[x] = static_cast<uint8_t>((p[0] * 31 + p[1] * 61 + p[2] * 8) / 100);
            }
        }
        return;
    }
    const int r = alphaFirst_ ? 1 : 0;
    const int a = alphaFirst_ ? 0 : 3;
    for (uint32_t x = 0; x < lineWidth_; ++x) {
        uint8_t* out = row + 4 * x;
        const uint8_t* in = line + lineChannels_ * x;
        const bool grey = lineChannels_ == 1;
        out[r] = in[0];
        out[r + 1] = grey ? in[0] : in[1];
        out[r + 2] = grey ? in[0] : in[2];
        out[a] = 0xFF;
    }
}

}  // namespace kvapp
