// Image front end of the device protocol: turns a four-byte-per-pixel image
// (byte 0 alpha, bytes 1 to 3 the colour) into the one-bit bitmap a device
// printer prints, with the conversion an image mode selects; plus the grey and
// RGBA entry points and the blank-margin measure built on it.
//
// Bitmaps are malloc'ed (the caller frees them with free()): rows of
// (width + 7) / 8 bytes, most significant bit the leftmost dot, 1 a dot.
#pragma once

#include <cstdint>

// Image modes of getImageData.
enum : uint32_t {
    kImageModeThreshold = 0,           // grey, fixed threshold (imgThresholdValue)
    kImageModeDitherThreshold = 1,     // grey, randomised error diffusion, threshold
    kImageModeColourChainDiffuse = 2,  // colour-to-print-data chain with error diffusion
    kImageModeColourChain = 3,         // colour-to-print-data chain, threshold only
    kImageModeBinariseFirst = 4,       // 4 to 8 and 12: device binarisation, method = mode
    kImageModeBinariseLast = 8,
    kImageModeA4 = 9,              // KVImage A4 chain
    kImageModeTattoo = 10,         // A4 tattoo chain without the frame line
    kImageModeTattooLine = 11,     // A4 tattoo chain with the frame line
    kImageModeBinarisePhoto = 12,  // device binarisation with the method-12 curve
};

// The entry points below are part of the public C library (kvprotocol.h).
extern "C" {

// Blank margins of a converted image: rows above the first dot, rows below the
// last, columns left of the leftmost dot, columns right of the rightmost.
struct ImageGap {
    uint32_t top;
    uint32_t bottom;
    uint32_t left;
    uint32_t right;
};

// Converts width x height pixels with `mode`; stores the bitmap's width in
// dots and height in rows (mode 11 reports the chain's height: 16 rows more
// when the picture has room for the tattoo line). `invert` non-zero inverts
// every dot; `rotation` 180 turns the bitmap by 180 degrees (the KVImage chain
// modes 9 to 11 take neither). Returns null for null pixels, a zero size, a
// mode above 12 or a failed conversion. The out pointers may be null.
uint8_t* getImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth, uint32_t* outHeight,
                      uint32_t mode, uint8_t invert, uint16_t rotation);

// 8-bit grey image (0 black, 255 white): each grey value becomes four equal
// bytes and goes through getImageData. *width and *height give the size on
// entry and receive the bitmap's size. Null for a null image or a zero size.
uint8_t* driveGetDataFromGrayImage(const uint8_t* grayImage, uint32_t* width, uint32_t* height, uint16_t rotation,
                                   uint32_t mode);

// R, G, B, A image: reordered to A, R, G, B and converted with image mode 5.
uint8_t* driveGetDataFromRGBAImage(const uint8_t* rgbaImage, uint32_t* width, uint32_t* height, uint16_t rotation);

// getImageData's bitmap expanded to RGBA, four bytes per dot: 0, 0, 0, 255 for
// a dot, 255, 255, 255, 255 for none; *byteCount receives the byte count
// (outWidth x outHeight x 4). Null (and 0) when the conversion fails.
uint8_t* getRGBAImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth,
                          uint32_t* outHeight, uint32_t mode, uint8_t invert, uint16_t rotation, uint32_t* byteCount);

// Converts like getImageData (rotation 0) and measures the margins; an image
// without dots gives top = height, left = width and 0 for the others. A failed
// conversion gives all zeros and out sizes 0.
ImageGap getImageGap(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth, uint32_t* outHeight,
                     uint32_t mode, uint8_t invert);

}  // extern "C"

// The byte with its bit order reversed.
uint8_t priva_invertHex(uint8_t byte);
