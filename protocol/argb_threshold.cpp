// Grey threshold of four-byte pixels into one-bit rows.
#include "protocol/argb_threshold.h"

#include <cstddef>

std::vector<uint8_t> kvArgbToBitmapByThreshold(const uint8_t* pixels, uint32_t width, uint32_t height,
                                               uint8_t threshold) {
    std::vector<uint8_t> bitmap;
    if (pixels == nullptr || width == 0 || height == 0) return bitmap;
    const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
    bitmap.assign(rowBytes * height, 0);
    const uint8_t* p = pixels;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap.data() + rowBytes * y;
        for (uint32_t x = 0; x < width; ++x, p += 4) {
            const double sum = 0.3 * p[1] + 0.59 * p[2] + 0.11 * p[3];
            if (static_cast<int>(sum) <= threshold) row[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
        }
    }
    return bitmap;
}
