// Image front end of the device protocol: one conversion per image mode from
// four-byte pixels to the one-bit bitmap, then the optional inversion and
// 180-degree turn that applications ask for.
#include "protocol/device/image_front_end.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/debug_log.h"
#include "image/device/binarize.h"
#include "image/device/color_print_chain.h"
#include "image/device/legacy_gray.h"
#include "image/kvimage.h"
#include "image/pack_bits.h"
#include "image/processing_chains.h"
#include "protocol/command_builders.h"
#include "protocol/device/bitmap.h"

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
    const int done = rgb2PrintData(rgb.data(), bitmap.bytes.get(), width, height, nullptr, &single, nullptr, nullptr,
                                   mode == kImageModeColourChainDiffuse ? &diffuse : nullptr, &print, nullptr);
    if (done == 0) return {};
    return bitmap;
}

// The device binarisation with method = mode on a grey image (changed in
// place), packed into rows. A width that is no multiple of 8 is binarised as
// it is and packed with white columns added on the right. Failures once went
// to standard output, which in the filter is the printer's data stream; they
// go to the diagnostic log.
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

// Grey, then the device binarisation.
MallocBitmap convertBinarise(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t mode) {
    std::vector<uint8_t> grey(size_t{width} * height);
    argb2SingleGray(pixels, static_cast<int32_t>(width), static_cast<int32_t>(height), grey.data());
    return binariseGrey(grey.data(), width, height, mode);
}

// The KVImage chain of the mode on the record; the chain's one-bit plane comes
// out. The chain widens the picture to whole bytes, which leaves the row
// length (width + 7) / 8 unchanged, so the bitmap keeps the caller's width;
// its height is the chain's (16 rows more with the tattoo line).
MallocBitmap runChain(KVImage* image, uint32_t width, uint32_t mode) {
    const PrintSetting setting = creatDefaultPrintSetting();
    int32_t result = 0;
    if (mode == kImageModeA4) {
        result = getKVImageProcessingForA4(image, &setting);
    } else {
        result = getKVImageProcessingForA4Tattoo(image, &setting, mode == kImageModeTattooLine ? 1 : 0);
    }
    if (result != 0 || image->bin == nullptr) return {};
    MallocBitmap bitmap = allocBitmap(width, image->height);
    if (!bitmap.bytes) return {};
    std::memcpy(bitmap.bytes.get(), image->bin,
                std::min(bitmapBytes(width, image->height), bitmapBytes(image->width, image->height)));
    return bitmap;
}

// The KVImage chains: pixels go in as R, G, B, A.
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
    return runChain(image.get(), width, mode);
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

// The grey value each conversion gives a pixel whose four bytes all equal v
// (a grey value expanded as driveGetDataFromGrayImage expands it), found by
// running the conversions themselves over the 256 such pixels.
struct EqualByteGreys {
    uint8_t argb[256];   // gray, argb2SingleGray: threshold and binarisation modes
    uint8_t chain[256];  // KVImageConvertRGBA2Gray: the KVImage chain modes
    bool chainKnown = false;
};

const EqualByteGreys& equalByteGreys() {
    static const EqualByteGreys tables = [] {
        EqualByteGreys t{};
        uint8_t pixels[256 * 4];
        for (int v = 0; v < 256; ++v) std::memset(pixels + 4 * v, v, 4);
        argb2SingleGray(pixels, 256, 1, t.argb);
        KVImagePtr line(creatKVImageWithRGBAData(pixels, 256, 1));
        t.chainKnown = line && KVImageConvertRGBA2Gray(line.get()) == 0;
        if (t.chainKnown) std::memcpy(t.chain, line->gray, 256);
        return t;
    }();
    return tables;
}

void mapGrey(uint8_t* grey, size_t count, const uint8_t (&table)[256]) {
    for (size_t i = 0; i < count; ++i) grey[i] = table[grey[i]];
}

// Mode 0: a dot wherever the weighted grey is at most the threshold, eight
// dots packed at a time.
MallocBitmap thresholdGrey(const uint8_t* grey, uint32_t width, uint32_t height, const uint8_t (&table)[256]) {
    MallocBitmap bitmap = allocBitmap(width, height);
    if (!bitmap.bytes) return {};
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

// The modes convertGrey converts from the grey values themselves (the others
// go through four equal bytes per pixel).
bool greyNative(uint32_t mode, uint32_t width) {
    if (mode == kImageModeThreshold) return true;
    if ((mode >= kImageModeBinariseFirst && mode <= kImageModeBinariseLast) || mode == kImageModeBinarisePhoto)
        return true;
    return mode >= kImageModeA4 && mode <= kImageModeTattooLine && equalByteGreys().chainKnown && width % 8 == 0;
}

MallocBitmap convertGrey(MallocBytes grey, uint32_t width, uint32_t height, uint32_t mode) {
    const EqualByteGreys& t = equalByteGreys();
    const size_t count = size_t{width} * height;
    if (mode == kImageModeThreshold) return thresholdGrey(grey.get(), width, height, t.argb);
    if ((mode >= kImageModeBinariseFirst && mode <= kImageModeBinariseLast) || mode == kImageModeBinarisePhoto) {
        mapGrey(grey.get(), count, t.argb);
        return binariseGrey(grey.get(), width, height, mode);
    }
    // The chains widen a picture to whole bytes with white RGBA pixels, whose
    // grey the chain works out itself: only whole-byte widths go this way.
    if (mode >= kImageModeA4 && mode <= kImageModeTattooLine && t.chainKnown && width % 8 == 0) {
        KVImagePtr image(creatKVImage(width, height));
        if (!image) return {};
        mapGrey(grey.get(), count, t.chain);
        image->gray = grey.release();
        return runChain(image.get(), width, mode);
    }
    uint32_t w = width;
    uint32_t h = height;
    MallocBytes bits(driveGetDataFromGrayImage(grey.get(), &w, &h, 0, mode));
    return {std::move(bits), w, h};
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

uint8_t* getImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth, uint32_t* outHeight,
                      uint32_t mode, uint8_t invert, uint16_t rotation) {
    if (pixels == nullptr || !usableSize(width, height) || mode > kImageModeBinarisePhoto) return nullptr;
    return finishBitmap(convert(pixels, width, height, mode, rotation), mode, invert, rotation, outWidth, outHeight);
}

uint8_t* driveGetDataFromGrayImage(const uint8_t* grayImage, uint32_t* width, uint32_t* height, uint16_t rotation,
                                   uint32_t mode) {
    if (grayImage == nullptr || width == nullptr || height == nullptr) return nullptr;
    if (!usableSize(*width, *height)) return nullptr;
    const size_t count = size_t{*width} * *height;
    if (greyNative(mode, *width)) {
        // A one-byte copy to convert in place instead of four bytes a pixel.
        MallocBytes copy(static_cast<uint8_t*>(std::malloc(count)));
        if (!copy) return nullptr;
        std::memcpy(copy.get(), grayImage, count);
        return finishBitmap(convertGrayImage(std::move(copy), *width, *height, mode), mode, 0, rotation, width, height);
    }
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

uint8_t* driveGetDataFromRGBAImage(const uint8_t* rgbaImage, uint32_t* width, uint32_t* height, uint16_t rotation) {
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
                          uint32_t* outHeight, uint32_t mode, uint8_t invert, uint16_t rotation, uint32_t* byteCount) {
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

MallocBitmap convertGrayImage(MallocBytes grey, uint32_t width, uint32_t height, uint32_t mode) {
    if (!grey || !usableSize(width, height)) return {};
    try {
        return convertGrey(std::move(grey), width, height, mode);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

ImageGap getImageGap(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth, uint32_t* outHeight,
                     uint32_t mode, uint8_t invert) {
    uint32_t w = 0;
    uint32_t h = 0;
    MallocBytes bits(getImageData(pixels, width, height, &w, &h, mode, invert, 0));
    if (outWidth != nullptr) *outWidth = bits ? w : 0;
    if (outHeight != nullptr) *outHeight = bits ? h : 0;
    if (!bits) return ImageGap{0, 0, 0, 0};
    return measureGap(bits.get(), w, h);
}

uint8_t priva_invertHex(uint8_t byte) { return reverseBits(byte); }
