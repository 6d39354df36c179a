// The stencil frame of tattoo prints: 16 white rows are added below the
// picture, then corner bars and two 8-dot side lines that swing outward and
// back in waves of 128 rows are drawn (black over the picture) into the
// one-bit plane.
#include "image/tone.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kMinWidth = 240;
constexpr uint32_t kMinHeight = 252;
constexpr uint32_t kAddedRows = 16;

struct Frame {
    uint8_t* bin;
    size_t rowBytes;
    int64_t width;
};

// Sets the dots of columns first..last (inclusive, clipped to the row) on one row.
void drawSpan(const Frame& frame, int64_t row, int64_t first, int64_t last) {
    if (first < 0) first = 0;
    if (last >= frame.width) last = frame.width - 1;
    uint8_t* line = frame.bin + static_cast<size_t>(row) * frame.rowBytes;
    for (int64_t x = first; x <= last; ++x) line[x / 8] = static_cast<uint8_t>(line[x / 8] | (0x80u >> (x % 8)));
}

// Left line at columns left..left+7 and right line at right..right+7.
void drawSides(const Frame& frame, int64_t row, int64_t left, int64_t right) {
    drawSpan(frame, row, left, left + 7);
    drawSpan(frame, row, right, right + 7);
}

void drawCornerBars(const Frame& frame, int64_t height) {
    const int64_t w = frame.width;
    for (int64_t row = 156; row <= 163; ++row) {
        drawSpan(frame, row, 40, 119);
        drawSpan(frame, row, w - 120, w - 41);
    }
    for (int64_t row = height - 8; row <= height - 1; ++row) {
        drawSpan(frame, row, 40, 119);
        drawSpan(frame, row, w - 120, w - 41);
    }
}

void drawSideLines(const Frame& frame, int64_t height) {
    const int64_t w = frame.width;
    const int64_t n = height - 252;
    const int64_t waves = n / 128;
    const int64_t m = n % 128;
    const int64_t a = m / 2 + 40;
    const int64_t b = m - m / 2 + 40;
    for (int64_t row = 164; row <= 163 + a; ++row) drawSides(frame, row, 40, w - 48);
    const int64_t start = 204 + m / 2;
    for (int64_t q = 0; q < waves; ++q) {
        for (int64_t j = 0; j < 64; ++j) {
            const int64_t t = (j + 1) / 4;
            drawSides(frame, start + 128 * q + j, 40 - t, w - 48 + t);
            drawSides(frame, start + 128 * q + 64 + j, 24 + t, w - 32 - t);
        }
    }
    for (int64_t row = height - 8 - b; row <= height - 9; ++row) drawSides(frame, row, 40, w - 48);
}

// A copy of `plane` followed by `added` bytes of `fill`; null for no plane or no memory.
uint8_t* grownPlane(const uint8_t* plane, size_t size, size_t added, uint8_t fill) {
    if (plane == nullptr) return nullptr;
    auto* grown = static_cast<uint8_t*>(std::malloc(size + added));
    if (grown == nullptr) return nullptr;
    std::memcpy(grown, plane, size);
    std::memset(grown + size, fill, added);
    return grown;
}

void replacePlane(uint8_t*& plane, uint8_t* grown) {
    if (grown == nullptr) return;
    std::free(plane);
    plane = grown;
}

}  // namespace

uint32_t KVImageAddTattooLine(KVImage* image) {
    if (image == nullptr || image->bin == nullptr || kvImagePixelCount(image->width, image->height) == 0) return 1;
    if (image->width % 8 != 0 || image->width < kMinWidth || image->height < kMinHeight) return 1;
    if (image->height > UINT32_MAX - kAddedRows) return 1;
    // Every plane present grows, so the record's size stays true for all of
    // them; the new rows are white (and opaque).
    const size_t rowBytes = image->width / 8;
    const size_t pixelRow = image->width;
    uint8_t* bin = grownPlane(image->bin, rowBytes * image->height, rowBytes * kAddedRows, 0);
    uint8_t* gray = grownPlane(image->gray, pixelRow * image->height, pixelRow * kAddedRows, 255);
    uint8_t* rgba = grownPlane(image->rgba, pixelRow * 4 * image->height, pixelRow * 4 * kAddedRows, 255);
    if (bin == nullptr || (image->gray && gray == nullptr) || (image->rgba && rgba == nullptr)) {
        std::free(bin);
        std::free(gray);
        std::free(rgba);
        return 2;
    }
    replacePlane(image->bin, bin);
    replacePlane(image->gray, gray);
    replacePlane(image->rgba, rgba);
    image->height += kAddedRows;

    const Frame frame{image->bin, rowBytes, image->width};
    drawCornerBars(frame, image->height);
    drawSideLines(frame, image->height);
    return 0;
}
