// Bicubic zoom of grey pages (cubic convolution, a = -1, 4 x 4 neighbourhood)
// used to fit a page to a device model's print head. Samples outside the page
// count as white, and every zoomed pixel is lightened by 15 levels, which the
// thermal heads need to keep mid-tones from running dark.
#pragma once

#include <cstdint>

// Grey image seen by the zoom: data, row stride in bytes, width, height.
struct PicRegion {
    uint8_t* pdata;
    uint64_t byte_width;
    uint64_t width;
    uint64_t height;
};

// New dstW x dstH grey image (caller frees with free()) holding the zoomed
// page. Null when a size is 0, `src` is null or memory runs out.
uint8_t* bitmapZoom(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t dstW, uint32_t dstH);
// The same zoom written into dstW x dstH dots of the caller's buffer, rows
// dstStride bytes apart (every dot of the area is written). False for bad
// arguments.
bool bitmapZoomInto(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint8_t* dst, uint32_t dstW, uint32_t dstH,
                    uint64_t dstStride);
// Fills dst from src; nothing when any width or height is 0.
void PicZoom_ThreeOrder0(const PicRegion& dst, const PicRegion& src);
// One interpolated byte for the source position (x, y).
void ThreeOrder0(const PicRegion& src, uint8_t* out, float x, float y);
// Cubic convolution kernel weight, a = -1.
double SinXDivX(double t);
// Source byte at (x, y), 255 outside the image.
uint8_t Pixels_Bound(const PicRegion& src, int64_t x, int64_t y);
// Source byte at (x, y), unchecked.
uint8_t Pixels(const PicRegion& src, int64_t x, int64_t y);
