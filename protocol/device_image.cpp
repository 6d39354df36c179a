// Image front end of the device protocol: one conversion per image mode from
// four-byte pixels to the one-bit bitmap, then the optional inversion and
// 180-degree turn that applications ask for.
#include "protocol/device_image.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "filter/debug_log.h"
#include "image/device/binarize.h"
#include "image/device/color_print_chain.h"
#include "image/device/legacy_gray.h"
#include "image/pack_bits.h"
#include "image/kvimage.h"
#include "image/processing_chains.h"
#include "protocol/command_builders.h"
#include "protocol/device_bitmap.h"

namespace {

// Largest image the front end accepts (the legacy conversions count pixels in
// 32-bit integers and a four-byte copy of the image is made).
constexpr uint64_t kMaxPixels = 1ull << 28;

bool usableSize(uint32_t width, uint32_t height) {
    return width > 0 && height > 0 && uint64_t{width} * height <= kMaxPixels;
}

// Grey, then a dot wherever the grey value is at most the image threshold;
// `withDither` runs the randomised error diffusion on the grey image first.
MallocBitmap convertThreshold(const uint8_t* pixels, uint32_t width, uint32_t height, bool withDither) {
    const auto w = static_cast<int32_t>(width);
    const auto h = static_cast<int32_t>(height);
    const auto grey = std::make_unique_for_overwrite<uint8_t[]>(size_t{width} * height * 4);
    gray(pixels, w, h, grey.get());
    if (withDither) dither(grey.get(), w, h, grey.get());
    MallocBitmap bitmap = allocBitmap(width, height);
    if (bitmap.bytes) grayRGBA2SingleColor(grey.get(), w, h, bitmap.bytes.get(), imgThresholdValue);
    return bitmap;
}

// The colour-to-print-data chain on the colour bytes; mode 2 diffuses the
// error first. The chain packs bits across rows, so it needs a width that is a
// multiple of 8.
MallocBitmap convertColourChain(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t mode,
                                uint16_t rotation) {
    if (width % 8 != 0) return {};
    const size_t count = size_t{width} * height;
    std::vector<uint8_t> rgb(count * 3);
    for (size_t i = 0; i < count; ++i) std::memcpy(&rgb[i * 3], pixels + i * 4 + 1, 3);
    MallocBitmap bitmap = allocBitmap(width, height);
    if (!bitmap.bytes) return {};
    SingleColorDataParam single = creatDefaultSingleColorDataParam();
    ErrDiffParam diffuse{.kernel = 0, .bilevel = 1, .autoThreshold = 1};
    PrintParam print{.threshold = imgThresholdValue, .invertColor = 0, .reverse = rotation == 180 ? 1u : 0u};
    const int done = rgb2PrintData(rgb.data(), bitmap.bytes.get(), width, height, nullptr, &single, nullptr,
                                   nullptr, mode == kImageModeColourChainDiffuse ? &diffuse : nullptr, &print,
                                   nullptr);
    if (done == 0) return {};
    return bitmap;
}

// Grey, then the device binarisation with method = mode, packed into rows.
// A width that is no multiple of 8 is binarised as it is and packed with white
// columns added on the right. Failures once went to standard output, which in
// the filter is the printer's data stream; they go to the diagnostic log.
// `grey` (width x height values) is binarised in place.
MallocBitmap binariseGrey(uint8_t* grey, uint32_t width, uint32_t height, uint32_t mode) {
    const int32_t result = kv_cq_img2bin(grey, width, height, static_cast<int32_t>(mode));
    if (result != 0) {
        writeLogString("图像二值化错误: %d", result);
        return {};
    }
    const uint32_t packedWidth = (width + 7) / 8 * 8;
    std::vector<uint8_t> padded;
    if (packedWidth != width) {
        padded = padRowsWhite(std::vector<uint8_t>(grey, grey + size_t{width} * height), width, height, packedWidth);
        grey = padded.data();
    }
    uint32_t length = 0;
    uint8_t* packed = kv_BinImg2PrinterData(grey, packedWidth, height, &length);
    if (packed == nullptr) {
        writeLogString("kv_BinImg2PrinterData error");
        return {};
    }
    return {MallocBytes(packed), width, height};
}

MallocBitmap convertBinarise(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t mode) {
    const auto w = static_cast<int32_t>(width);
    const auto h = static_cast<int32_t>(height);
    std::vector<uint8_t> grey(size_t{width} * height);
    argb2SingleGray(pixels, w, h, grey.data());
    return binariseGrey(grey.data(), width, height, mode);
}

// The KVImage chains: pixels go in as R, G, B, A; the chain's one-bit plane
// comes out. The chain widens the picture to whole bytes, which leaves the
// row length (width + 7) / 8 unchanged, so the bitmap keeps the caller's
// width; its height is the chain's (16 rows more with the tattoo line).
MallocBitmap chainBitmap(KVImagePtr image, uint32_t width, uint32_t mode);

MallocBitmap convertChain(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t mode) {
    const size_t count = size_t{width} * height;
    std::vector<uint8_t> rgba(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = pixels + i * 4;
        uint8_t* q = &rgba[i * 4];
        q[0] = p[1];
        q[1] = p[2];
        q[2] = p[3];
        q[3] = p[0];
    }
    KVImagePtr image(creatKVImageWithRGBAData(rgba.data(), width, height));
    if (!image) return {};
    return chainBitmap(std::move(image), width, mode);
}

// Runs the chain of `mode` on the record and copies its one-bit plane out.
MallocBitmap chainBitmap(KVImagePtr image, uint32_t width, uint32_t mode) {
    const PrintSetting setting = creatDefaultPrintSetting();
    int32_t result = 0;
    if (mode == kImageModeA4) {
        result = getKVImageProcessingForA4(image.get(), &setting);
    } else {
        result = getKVImageProcessingForA4Tattoo(image.get(), &setting, mode == kImageModeTattooLine ? 1 : 0);
    }
    if (result != 0 || image->bin == nullptr) return {};
    MallocBitmap bitmap = allocBitmap(width, image->height);
    if (!bitmap.bytes) return {};
    std::memcpy(bitmap.bytes.get(), image->bin,
                std::min(bitmapBytes(width, image->height), bitmapBytes(image->width, image->height)));
    return bitmap;
}

MallocBitmap convert(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t mode, uint16_t rotation) {
    try {
        switch (mode) {
            case kImageModeThreshold: return convertThreshold(pixels, width, height, false);
            case kImageModeDitherThreshold: return convertThreshold(pixels, width, height, true);
            case kImageModeColourChainDiffuse:
            case kImageModeColourChain: return convertColourChain(pixels, width, height, mode, rotation);
            case kImageModeA4:
            case kImageModeTattoo:
            case kImageModeTattooLine: return convertChain(pixels, width, height, mode);
            default: return convertBinarise(pixels, width, height, mode);
        }
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// Grey images without the four-byte round trip. A grey value v stands for the
// pixel (v, v, v, v), so each grey conversion of the four-byte path is a
// function of v alone: its 256 results, taken from the conversion itself,
// give the same grey plane from a table.
struct GreyLevels {
    uint8_t argb[256];   // the legacy weighting (threshold and binarisation modes)
    uint8_t chain[256];  // the KVImage chain's weighting
    bool ready = false;  // false when memory ran out for the chain's table
    GreyLevels() {
        uint8_t pixels[256 * 4];
        for (int v = 0; v < 256; ++v) {
            std::memset(pixels + 4 * v, v, 4);
            argb[v] = argbGrayValue(pixels + 4 * v);
        }
        KVImagePtr levels(creatKVImageWithRGBAData(pixels, 256, 1));  // R, G, B, A = v: the order doesn't matter
        ready = levels && KVImageConvertRGBA2Gray(levels.get()) == 0;
        if (ready) std::memcpy(chain, levels->gray, 256);
    }
};

const GreyLevels* greyLevels() {
    static const GreyLevels levels;
    return &levels;
}

// The grey levels through `table` into `out` (which may be `grey` itself).
void mapGrey(const uint8_t* grey, uint8_t* out, size_t count, const uint8_t* table) {
    for (size_t i = 0; i < count; ++i) out[i] = table[grey[i]];
}

// Mode 0 from grey: a dot wherever the weighted grey is at most the threshold.
MallocBitmap thresholdGrey(const uint8_t* grey, uint32_t width, uint32_t height) {
    MallocBitmap bitmap = allocBitmap(width, height);
    if (!bitmap.bytes) return bitmap;
    const uint8_t* table = greyLevels()->argb;
    uint8_t dot[256];
    for (int v = 0; v < 256; ++v) dot[v] = table[v] <= imgThresholdValue ? 0xFF : 0x00;
    const size_t rowBytes = (size_t{width} + 7) / 8;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* src = grey + size_t{y} * width;
        uint8_t* dst = bitmap.bytes.get() + y * rowBytes;
        uint32_t x = 0;
        for (; x + 8 <= width; x += 8) {
            uint8_t mask[8];
            for (int k = 0; k < 8; ++k) mask[k] = dot[src[x + k]];
            dst[x / 8] = packMask8(mask);
        }
        for (; x < width; ++x) dst[x / 8] = static_cast<uint8_t>(dst[x / 8] | (dot[src[x]] & (0x80u >> (x & 7))));
    }
    return bitmap;
}

// The modes whose conversion starts by weighting the pixel to grey: those
// the grey entry point converts without four-byte pixels. The KVImage chains
// widen a picture off the byte grid before weighting it, and a widened white
// pixel weighs 254, not 255: those pictures keep the four-byte path.
bool greyMode(uint32_t mode, uint32_t width) {
    if (!greyLevels()->ready) return false;
    if (mode >= kImageModeA4 && mode <= kImageModeTattooLine) return width % 8 == 0;
    return mode == kImageModeThreshold || (mode >= kImageModeBinariseFirst && mode <= kImageModeBinarisePhoto);
}

// `scratch`, when given, is the grey image itself, free to be overwritten.
MallocBitmap convertGrey(const uint8_t* grey, uint8_t* scratch, uint32_t width, uint32_t height, uint32_t mode) {
    try {
        const size_t count = size_t{width} * height;
        if (mode == kImageModeThreshold) return thresholdGrey(grey, width, height);
        if (mode >= kImageModeA4 && mode <= kImageModeTattooLine) {
            KVImagePtr image(creatKVImage(width, height));
            if (!image) return {};
            image->gray = static_cast<uint8_t*>(std::malloc(count));
            if (image->gray == nullptr) return {};
            mapGrey(grey, image->gray, count, greyLevels()->chain);
            return chainBitmap(std::move(image), width, mode);
        }
        std::unique_ptr<uint8_t[]> own;
        if (scratch == nullptr) {
            own = std::make_unique_for_overwrite<uint8_t[]>(count);
            scratch = own.get();
        }
        mapGrey(grey, scratch, count, greyLevels()->argb);
        return binariseGrey(scratch, width, height, mode);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// Inversion and turn as the mode allows, then the size out.
uint8_t* finishBitmap(MallocBitmap bitmap, uint32_t mode, uint8_t invert, uint16_t rotation, uint32_t* outWidth,
                      uint32_t* outHeight) {
    if (!bitmap.bytes) return nullptr;
    // The KVImage chains (modes 9 to 11) are taken as they come: no inversion,
    // no turn. The colour chain (modes 2 and 3) turns the page itself.
    const bool kvImageChain = mode >= kImageModeA4 && mode <= kImageModeTattooLine;
    const bool chainTurns = mode == kImageModeColourChainDiffuse || mode == kImageModeColourChain;
    if (invert != 0 && !kvImageChain) invertBitmap(bitmap);
    if (rotation == 180 && !chainTurns && !kvImageChain) turnBitmap180(bitmap);
    if (outWidth != nullptr) *outWidth = bitmap.width;
    if (outHeight != nullptr) *outHeight = bitmap.height;
    return bitmap.bytes.release();
}

}  // namespace

uint8_t* getImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth,
                      uint32_t* outHeight, uint32_t mode, uint8_t invert, uint16_t rotation) {
    if (pixels == nullptr || !usableSize(width, height) || mode > kImageModeBinarisePhoto) return nullptr;
    return finishBitmap(convert(pixels, width, height, mode, rotation), mode, invert, rotation, outWidth,
                        outHeight);
}

uint8_t* driveGetDataFromOwnGrayImage(uint8_t* grayImage, uint32_t* width, uint32_t* height, uint16_t rotation,
                                      uint32_t mode) {
    if (grayImage == nullptr || width == nullptr || height == nullptr) return nullptr;
    if (!usableSize(*width, *height) || !greyMode(mode, *width))
        return driveGetDataFromGrayImage(grayImage, width, height, rotation, mode);
    return finishBitmap(convertGrey(grayImage, grayImage, *width, *height, mode), mode, 0, rotation, width, height);
}

uint8_t* driveGetDataFromGrayImage(const uint8_t* grayImage, uint32_t* width, uint32_t* height,
                                   uint16_t rotation, uint32_t mode) {
    if (grayImage == nullptr || width == nullptr || height == nullptr) return nullptr;
    if (!usableSize(*width, *height)) return nullptr;
    if (greyMode(mode, *width))
        return finishBitmap(convertGrey(grayImage, nullptr, *width, *height, mode), mode, 0, rotation, width, height);
    const size_t count = size_t{*width} * *height;
    std::unique_ptr<uint8_t[]> pixels;
    try {
        pixels = std::make_unique_for_overwrite<uint8_t[]>(count * 4);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    // Four equal bytes per grey value, a word at a time.
    for (size_t i = 0; i < count; ++i) {
        const uint32_t word = grayImage[i] * 0x01010101u;
        std::memcpy(&pixels[i * 4], &word, 4);
    }
    return getImageData(pixels.get(), *width, *height, width, height, mode, 0, rotation);
}

uint8_t* driveGetDataFromRGBAImage(const uint8_t* rgbaImage, uint32_t* width, uint32_t* height,
                                   uint16_t rotation) {
    if (rgbaImage == nullptr || width == nullptr || height == nullptr) return nullptr;
    if (!usableSize(*width, *height)) return nullptr;
    const size_t count = size_t{*width} * *height;
    std::vector<uint8_t> pixels;
    try {
        pixels.resize(count * 4);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = rgbaImage + i * 4;
        uint8_t* q = &pixels[i * 4];
        q[0] = p[3];
        q[1] = p[0];
        q[2] = p[1];
        q[3] = p[2];
    }
    return getImageData(pixels.data(), *width, *height, width, height, 5, 0, rotation);
}

uint8_t* getRGBAImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth,
                          uint32_t* outHeight, uint32_t mode, uint8_t invert, uint16_t rotation,
                          uint32_t* byteCount) {
    if (byteCount != nullptr) *byteCount = 0;
    uint32_t w = 0;
    uint32_t h = 0;
    MallocBytes bits(getImageData(pixels, width, height, &w, &h, mode, invert, rotation));
    if (!bits || uint64_t{w} * h > kMaxPixels) return nullptr;
    const size_t count = size_t{w} * h;
    auto* rgba = static_cast<uint8_t*>(std::malloc(count * 4));
    if (rgba == nullptr) return nullptr;
    const size_t stride = (w + 7) / 8;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = bits.get() + y * stride;
        uint8_t* out = rgba + size_t{y} * w * 4;
        for (uint32_t x = 0; x < w; ++x) {
            const bool dot = (row[x >> 3] & (0x80u >> (x & 7))) != 0;
            const uint8_t level = dot ? 0 : 255;
            out[x * 4] = level;
            out[x * 4 + 1] = level;
            out[x * 4 + 2] = level;
            out[x * 4 + 3] = 255;
        }
    }
    if (outWidth != nullptr) *outWidth = w;
    if (outHeight != nullptr) *outHeight = h;
    if (byteCount != nullptr) *byteCount = static_cast<uint32_t>(count * 4);
    return rgba;
}

ImageGap getImageGap(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth,
                     uint32_t* outHeight, uint32_t mode, uint8_t invert) {
    uint32_t w = 0;
    uint32_t h = 0;
    MallocBytes bits(getImageData(pixels, width, height, &w, &h, mode, invert, 0));
    if (outWidth != nullptr) *outWidth = bits ? w : 0;
    if (outHeight != nullptr) *outHeight = bits ? h : 0;
    if (!bits) return ImageGap{0, 0, 0, 0};
    return measureGap(bits.get(), w, h);
}

uint8_t priva_invertHex(uint8_t byte) {
    return reverseBits(byte);
}
