// Life cycle of the KVImage record, the default settings and parameter
// records, and the small buffer utilities of the image library.
#include "image/kvimage.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "image/bit_reverse.h"
#include "image/pack_bits.h"

namespace {

// A zeroed, malloc'ed record (planes null).
KVImage* allocRecord(uint32_t width, uint32_t height) {
    auto* image = static_cast<KVImage*>(std::calloc(1, sizeof(KVImage)));
    if (image == nullptr) return nullptr;
    image->width = width;
    image->height = height;
    return image;
}

// malloc'ed copy of `size` bytes (a present plane of no whole byte, the
// one-bit plane of fewer than 8 pixels, still gets a plane); null when
// `source` is null or memory runs out.
uint8_t* copyPlane(const uint8_t* source, size_t size) {
    if (source == nullptr) return nullptr;
    auto* plane = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (plane != nullptr && size != 0) std::memcpy(plane, source, size);
    return plane;
}

// Copies each row of a plane of `bpp` bytes per pixel into a wider plane
// filled with 255; null when memory runs out.
uint8_t* widenPlane(const uint8_t* plane, uint32_t width, uint32_t newWidth, uint32_t height, size_t bpp) {
    const size_t newRow = static_cast<size_t>(newWidth) * bpp;
    const size_t oldRow = static_cast<size_t>(width) * bpp;
    auto* wide = static_cast<uint8_t*>(std::malloc(newRow * height));
    if (wide == nullptr) return nullptr;
    std::memset(wide, 255, newRow * height);
    for (uint32_t y = 0; y < height; ++y) std::memcpy(wide + y * newRow, plane + y * oldRow, oldRow);
    return wide;
}

}  // namespace

size_t kvImagePixelCount(uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return 0;
    const size_t count = static_cast<size_t>(width) * height;
    // Room for the 4-byte RGBA plane without wrap-around.
    if (count > SIZE_MAX / 8) return 0;
    return count;
}

size_t kvImageBinSize(uint32_t width, uint32_t height) { return (kvImagePixelCount(width, height) + 7) / 8; }

RGBHistogramParam creatDefaultRGBHistogramParam() { return {nullptr, 2, 2, 128, 5}; }
SingleColorDataParam creatDefaultSingleColorDataParam() { return {nullptr}; }
SharpeningParam creatDefaultSharpeningParam() { return {nullptr, 2, 2}; }
HistogramParam creatDefaultHistogramParam() { return {nullptr, 2, 2, 128, 5}; }
ErrDiffParam creatDefaultErrDiffParam() { return {0, 1, 1}; }
PrintParam creatDefaultPrintParam() { return {128, 0, 0}; }
DebugParam creatDefaultDebugParam() { return {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}; }

PrintSetting creatDefaultPrintSetting() { return {4.0f, 2, 0, 128}; }

KVImage* creatKVImageWithRGBAData(const uint8_t* bytes, uint32_t width, uint32_t height) {
    const size_t pixels = kvImagePixelCount(width, height);
    if (bytes == nullptr || pixels == 0) return nullptr;
    KVImage* image = allocRecord(width, height);
    if (image == nullptr) return nullptr;
    image->rgba = copyPlane(bytes, pixels * 4);
    if (image->rgba == nullptr) {
        std::free(image);
        return nullptr;
    }
    return image;
}

KVImage* creatKVImage(uint32_t width, uint32_t height) {
    if (kvImagePixelCount(width, height) == 0) return nullptr;
    return allocRecord(width, height);
}

KVImage* deepCopyKVImage(const KVImage* image) {
    if (image == nullptr) return nullptr;
    const size_t pixels = kvImagePixelCount(image->width, image->height);
    if (pixels == 0) return nullptr;
    KVImagePtr copy(allocRecord(image->width, image->height));
    if (!copy) return nullptr;
    copy->rgba = copyPlane(image->rgba, pixels * 4);
    copy->gray = copyPlane(image->gray, pixels);
    // width x height / 8 bytes: all a caller's plane is sure to hold.
    copy->bin = copyPlane(image->bin, pixels / 8);
    if ((image->rgba && !copy->rgba) || (image->gray && !copy->gray) || (image->bin && !copy->bin)) return nullptr;
    return copy.release();
}

void freeKVImageData(KVImage* image) {
    if (image == nullptr) return;
    std::free(image->rgba);
    std::free(image->gray);
    std::free(image->bin);
    image->rgba = nullptr;
    image->gray = nullptr;
    image->bin = nullptr;
}

void freeKVImageDataArray(KVImage* array, uint32_t count) {
    if (array == nullptr) return;
    for (uint32_t i = 0; i < count; ++i) freeKVImageData(&array[i]);
    std::free(array);
}

void KVImageDeleter::operator()(KVImage* image) const {
    freeKVImageData(image);
    std::free(image);
}

uint32_t fixKVImageWidthTo8Multiple(KVImage* image) {
    if (image == nullptr || kvImagePixelCount(image->width, image->height) == 0) return KVImageBadArgument;
    if (image->width % 8 == 0) return KVImageOK;
    const uint32_t width = image->width;
    if (width > UINT32_MAX - 7) return KVImageBadArgument;
    const uint32_t newWidth = (width + 7) / 8 * 8;
    if (kvImagePixelCount(newWidth, image->height) == 0) return KVImageNoMemory;
    uint8_t* rgba = nullptr;
    uint8_t* gray = nullptr;
    if (image->rgba != nullptr && (rgba = widenPlane(image->rgba, width, newWidth, image->height, 4)) == nullptr)
        return KVImageNoMemory;
    if (image->gray != nullptr && (gray = widenPlane(image->gray, width, newWidth, image->height, 1)) == nullptr) {
        std::free(rgba);
        return KVImageNoMemory;
    }
    if (rgba != nullptr) {
        std::free(image->rgba);
        image->rgba = rgba;
    }
    if (gray != nullptr) {
        std::free(image->gray);
        image->gray = gray;
    }
    // A one-bit plane of the old width no longer fits the record (and would
    // be read past its end by anything sized from the new width): drop it;
    // the chains rebuild it from the grey plane.
    std::free(image->bin);
    image->bin = nullptr;
    image->width = newWidth;
    return KVImageOK;
}

uint32_t KVImageGray2BinByte(KVImage* image, const PrintSetting* setting) {
    if (image == nullptr || setting == nullptr || image->gray == nullptr) return KVImageBadArgument;
    const size_t pixels = kvImagePixelCount(image->width, image->height);
    if (pixels == 0) return KVImageBadArgument;
    auto* bin = static_cast<uint8_t*>(std::calloc(kvImageBinSize(image->width, image->height), 1));
    if (bin == nullptr) return KVImageNoMemory;
    std::free(image->bin);
    image->bin = bin;
    // Bits run on across the whole plane, most significant bit first.
    const uint8_t* gray = image->gray;
    const unsigned threshold = setting->threshold;
    const size_t whole = pixels / 8;
    if (threshold == 0) return KVImageOK;  // nothing is below 0
    for (size_t i = 0; i < whole; ++i) bin[i] = packBelow8(gray + i * 8, static_cast<uint8_t>(threshold));
    for (size_t x = whole * 8; x < pixels; ++x) {
        if (gray[x] < threshold) bin[x / 8] = static_cast<uint8_t>(bin[x / 8] | (0x80u >> (x % 8)));
    }
    return KVImageOK;
}

uint32_t KVImageInvertColors(KVImage* image) {
    if (image == nullptr || image->bin == nullptr) return KVImageBadArgument;
    // width x height / 8 bytes: all a caller's plane is sure to hold.
    invertColors(image->bin, kvImagePixelCount(image->width, image->height) / 8);
    return KVImageOK;
}

void rgb2RGBA(const uint8_t* rgb, uint8_t* rgba, uint32_t width, uint32_t height) {
    if (rgb == nullptr || rgba == nullptr) return;
    const size_t pixels = kvImagePixelCount(width, height);
    for (size_t i = 0; i < pixels; ++i) {
        rgba[i * 4] = rgb[i * 3];
        rgba[i * 4 + 1] = rgb[i * 3 + 1];
        rgba[i * 4 + 2] = rgb[i * 3 + 2];
        rgba[i * 4 + 3] = 255;
    }
}

uint32_t singleColor2GrayRGB(const uint8_t* gray, uint8_t* rgb, uint32_t width, uint32_t height) {
    if (gray == nullptr || rgb == nullptr) return height;
    const size_t pixels = kvImagePixelCount(width, height);
    for (size_t i = 0; i < pixels; ++i) {
        rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = gray[i];
    }
    return height;
}

void singleColor2GrayRGBA(const uint8_t* gray, uint8_t* rgba, uint32_t width, uint32_t height) {
    if (gray == nullptr || rgba == nullptr) return;
    const size_t pixels = kvImagePixelCount(width, height);
    for (size_t i = 0; i < pixels; ++i) {
        rgba[i * 4] = rgba[i * 4 + 1] = rgba[i * 4 + 2] = gray[i];
        rgba[i * 4 + 3] = 255;
    }
}

void outputDebugData(const uint8_t* source, uint8_t* destination, uint32_t width, uint32_t height, int kind) {
    if (kind == 1) {
        rgb2RGBA(source, destination, width, height);
    } else {
        singleColor2GrayRGBA(source, destination, width, height);
    }
}

void invertColors(uint8_t* buffer, size_t count) {
    if (buffer == nullptr) return;
    for (size_t i = 0; i < count; ++i) buffer[i] = static_cast<uint8_t>(~buffer[i]);
}

uint8_t invertHex(uint8_t byte) { return kBitReverse[byte]; }

void invertDirection(uint8_t* buffer, size_t count) {
    if (buffer == nullptr || count == 0) return;
    for (size_t i = 0, j = count - 1; i < j; ++i, --j) {
        const uint8_t front = kBitReverse[buffer[i]];
        buffer[i] = kBitReverse[buffer[j]];
        buffer[j] = front;
    }
    if (count % 2 == 1) buffer[count / 2] = kBitReverse[buffer[count / 2]];
}
