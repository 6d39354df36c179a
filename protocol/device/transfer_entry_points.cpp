// Image transfers for ready bitmaps: the measuring and filling calls of the
// compressed or raw transfer, and the application entry points that convert
// a picture or a test pattern first.
#include "protocol/device/transfer_entry_points.h"

#include <cstring>

#include "protocol/device/bitmap.h"
#include "protocol/device/image_front_end.h"
#include "protocol/image_transfer.h"
#include "protocol/printer_families.h"
#include "protocol/protocol_state.h"

namespace {

constexpr uint8_t kStartFlag = 1;
constexpr uint32_t kModeGreyBytes = 254;
constexpr uint32_t kModeReadyBitmap = 255;

// Both transfers take the width in whole bytes of dots.
uint32_t paddedWidth(uint32_t width) { return static_cast<uint32_t>((uint64_t{width} + 7) / 8 * 8); }

SendPack sendBitmap(const uint8_t* bitmap, uint32_t width, uint32_t height, bool raw, uint8_t selector, uint8_t option,
                    uint16_t endValue1, uint8_t endValue2) {
    if (bitmap == nullptr || width == 0 || height == 0 || width > 0xFFFFFFF8u) return kvGetEmptyProtocolPack();
    const uint32_t w = paddedWidth(width);
    uint32_t size = 0;
    if (raw) {
        SendPackPtr measured(
            getAllImageData(bitmap, w, height, selector, option, kStartFlag, endValue1, endValue2, &size));
        if (size == 0) return kvGetEmptyProtocolPack();
        return getAllImageData(bitmap, w, height, selector, option, kStartFlag, endValue1, endValue2, &size);
    }
    return getAllCompressImagePartOnce(bitmap, w, height, selector, option, kStartFlag);
}

bool appSendsRaw() {
    const uint32_t type = getODMPrinterType();
    return type == kOdmEncrypted || type == kOdmRawRows;
}

// Image mode 254: a dot where the byte is above 128.
MallocBitmap packGreyBytes(const uint8_t* pixels, uint32_t width, uint32_t height) {
    MallocBitmap bitmap = allocBitmap(width, height);
    if (!bitmap.bytes) return bitmap;
    const size_t stride = (size_t{width} + 7) / 8;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* in = pixels + size_t{y} * width;
        uint8_t* out = bitmap.bytes.get() + y * stride;
        for (uint32_t x = 0; x < width; ++x) {
            if (in[x] > 128) out[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
        }
    }
    return bitmap;
}

MallocBitmap convertForPrint(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t mode, uint8_t invert,
                             uint16_t rotation) {
    if (mode == kModeGreyBytes) return packGreyBytes(pixels, width, height);
    if (mode == kModeReadyBitmap) {
        MallocBitmap bitmap = allocBitmap(width, height);
        if (bitmap.bytes) std::memcpy(bitmap.bytes.get(), pixels, bitmapBytes(width, height));
        return bitmap;
    }
    MallocBitmap bitmap;
    bitmap.bytes.reset(getImageData(pixels, width, height, &bitmap.width, &bitmap.height, mode, invert, rotation));
    return bitmap;
}

}  // namespace

SendPack driveGetPrintDataFromHex(const uint8_t* bitmap, uint32_t width, uint32_t height) {
    return sendBitmap(bitmap, width, height, getODMPrinterType() == kOdmEncrypted, 0, 0, 0, 0);
}

SendPack getPrintData(const uint8_t* bitmap, uint32_t width, uint32_t height, uint8_t selector, uint8_t option,
                      uint16_t endValue1, uint8_t endValue2) {
    return sendBitmap(bitmap, width, height, appSendsRaw(), selector, option, endValue1, endValue2);
}

SendPack getPrintImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* resultWidth,
                           uint32_t* resultHeight, uint32_t mode, uint8_t invert, uint16_t rotation, uint8_t selector,
                           uint8_t option, uint16_t endValue1, uint8_t endValue2) {
    if (resultWidth != nullptr) *resultWidth = 0;
    if (resultHeight != nullptr) *resultHeight = 0;
    if (pixels == nullptr || width == 0 || height == 0 || uint64_t{width} * height > (1ull << 28)) {
        return kvGetEmptyProtocolPack();
    }
    const MallocBitmap bitmap = convertForPrint(pixels, width, height, mode, invert, rotation);
    if (!bitmap.bytes) return kvGetEmptyProtocolPack();
    if (resultWidth != nullptr) *resultWidth = bitmap.width;
    if (resultHeight != nullptr) *resultHeight = bitmap.height;
    return getPrintData(bitmap.bytes.get(), bitmap.width, bitmap.height, selector, option, endValue1, endValue2);
}

SendPack getPrintRateLineImageData(uint32_t width, uint32_t height, double rate, uint8_t selector, uint8_t option,
                                   uint16_t endValue1, uint8_t endValue2) {
    const SendPackPtr pattern(kvGetRateLinePack(width, height, rate));
    if (pattern.empty()) return kvGetEmptyProtocolPack();
    return getPrintData(pattern.data(), paddedWidth(width), height, selector, option, endValue1, endValue2);
}

SendPack getPrintBlockTestImageData(void) { return kvGetEmptyProtocolPack(); }
