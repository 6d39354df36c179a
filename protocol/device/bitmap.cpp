// Whole-bitmap operations of the device print path: inversion, the 180-degree
// turn, blank margins and white padding, row by row.
#include "protocol/device/bitmap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "image/bit_reverse.h"

namespace {

// Mask of the bits of a row's last byte that hold dots.
uint8_t lastByteMask(uint32_t width) {
    const uint32_t used = width % 8;
    return used == 0 ? 0xFF : static_cast<uint8_t>(0xFF00u >> used);
}

}  // namespace

uint8_t reverseBits(uint8_t byte) { return kBitReverse[byte]; }

MallocBitmap allocBitmap(uint32_t width, uint32_t height) {
    const size_t n = bitmapBytes(width, height);
    MallocBitmap bitmap;
    bitmap.bytes.reset(static_cast<uint8_t*>(std::calloc(n == 0 ? 1 : n, 1)));
    bitmap.width = width;
    bitmap.height = height;
    return bitmap;
}

void invertBitmap(MallocBitmap& bitmap) {
    const size_t stride = (size_t{bitmap.width} + 7) / 8;
    const uint8_t mask = lastByteMask(bitmap.width);
    uint8_t* p = bitmap.bytes.get();
    for (uint32_t y = 0; y < bitmap.height; ++y, p += stride) {
        for (size_t i = 0; i < stride; ++i) p[i] = static_cast<uint8_t>(~p[i]);
        if (stride > 0) p[stride - 1] &= mask;
    }
}

void turnBitmap180(MallocBitmap& bitmap) {
    const size_t total = bitmapBytes(bitmap.width, bitmap.height);
    uint8_t* p = bitmap.bytes.get();
    std::reverse(p, p + total);
    for (size_t i = 0; i < total; ++i) p[i] = kBitReverse[p[i]];
    // With a partly used last byte the turned rows start with the unused bits:
    // move each row left by their number.
    const uint32_t pad = (8 - bitmap.width % 8) % 8;
    if (pad == 0) return;
    const size_t stride = (size_t{bitmap.width} + 7) / 8;
    for (uint32_t y = 0; y < bitmap.height; ++y) {
        uint8_t* row = p + y * stride;
        for (size_t i = 0; i < stride; ++i) {
            const uint32_t next = i + 1 < stride ? row[i + 1] : 0;
            row[i] = static_cast<uint8_t>((row[i] << pad) | (next >> (8 - pad)));
        }
    }
}

ImageGap measureGap(const uint8_t* bits, uint32_t width, uint32_t height) {
    const size_t stride = (size_t{width} + 7) / 8;
    uint32_t firstRow = height;
    uint32_t lastRow = 0;
    uint32_t firstCol = width;
    uint32_t lastCol = 0;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = bits + y * stride;
        for (size_t i = 0; i < stride; ++i) {
            if (row[i] == 0) continue;
            const uint32_t left = static_cast<uint32_t>(i * 8) + std::countl_zero(row[i]);
            const uint32_t right = static_cast<uint32_t>(i * 8) + 7 - std::countr_zero(row[i]);
            firstCol = std::min(firstCol, left);
            lastCol = std::max(lastCol, std::min(right, width - 1));
            if (firstRow == height) firstRow = y;
            lastRow = y;
        }
    }
    if (firstRow == height) return ImageGap{height, 0, width, 0};
    return ImageGap{firstRow, height - 1 - lastRow, firstCol, width - 1 - lastCol};
}

std::vector<uint8_t> padRowsWhite(const std::vector<uint8_t>& grey, uint32_t width, uint32_t height,
                                  uint32_t newWidth) {
    std::vector<uint8_t> padded(size_t{newWidth} * height, 255);
    for (uint32_t y = 0; y < height; ++y) {
        std::memcpy(&padded[size_t{y} * newWidth], &grey[size_t{y} * width], width);
    }
    return padded;
}
