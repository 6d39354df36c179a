// Wrappers that give the device image entry points their plain C symbols in
// the shared library, plus kvFree for buffers the library hands out.
#include "protocol/host/capi/device_entry_points.h"

#include <cstdlib>
#include <type_traits>

#include "protocol/device_image.h"
#include "protocol/device_transfer.h"

// Each wrapper has exactly the signature of the function it stands for.
#define KV_SAME_SIGNATURE(name) \
    static_assert(std::is_same_v<decltype(kvc_##name), decltype(name)>, #name " changed its signature")
KV_SAME_SIGNATURE(getImageData);
KV_SAME_SIGNATURE(getRGBAImageData);
KV_SAME_SIGNATURE(getImageGap);
KV_SAME_SIGNATURE(driveGetDataFromGrayImage);
KV_SAME_SIGNATURE(driveGetDataFromRGBAImage);
KV_SAME_SIGNATURE(driveGetPrintDataFromHex);
KV_SAME_SIGNATURE(getPrintData);
KV_SAME_SIGNATURE(getPrintImageData);
KV_SAME_SIGNATURE(getPrintRateLineImageData);
KV_SAME_SIGNATURE(getPrintBlockTestImageData);
KV_SAME_SIGNATURE(getPrintPrinterInfoData);

extern "C" {

uint8_t* kvc_getImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth,
                          uint32_t* outHeight, uint32_t mode, uint8_t invert, uint16_t rotation) {
    return getImageData(pixels, width, height, outWidth, outHeight, mode, invert, rotation);
}

uint8_t* kvc_getRGBAImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth,
                              uint32_t* outHeight, uint32_t mode, uint8_t invert, uint16_t rotation,
                              uint32_t* byteCount) {
    return getRGBAImageData(pixels, width, height, outWidth, outHeight, mode, invert, rotation, byteCount);
}

ImageGap kvc_getImageGap(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth,
                         uint32_t* outHeight, uint32_t mode, uint8_t invert) {
    return getImageGap(pixels, width, height, outWidth, outHeight, mode, invert);
}

uint8_t* kvc_driveGetDataFromGrayImage(const uint8_t* grayImage, uint32_t* width, uint32_t* height,
                                       uint16_t rotation, uint32_t mode) {
    return driveGetDataFromGrayImage(grayImage, width, height, rotation, mode);
}

uint8_t* kvc_driveGetDataFromRGBAImage(const uint8_t* rgbaImage, uint32_t* width, uint32_t* height,
                                       uint16_t rotation) {
    return driveGetDataFromRGBAImage(rgbaImage, width, height, rotation);
}

SendPack kvc_driveGetPrintDataFromHex(const uint8_t* bitmap, uint32_t width, uint32_t height) {
    return driveGetPrintDataFromHex(bitmap, width, height);
}

SendPack kvc_getPrintData(const uint8_t* bitmap, uint32_t width, uint32_t height, uint8_t selector,
                          uint8_t option, uint16_t endValue1, uint8_t endValue2) {
    return getPrintData(bitmap, width, height, selector, option, endValue1, endValue2);
}

SendPack kvc_getPrintImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* resultWidth,
                               uint32_t* resultHeight, uint32_t mode, uint8_t invert, uint16_t rotation,
                               uint8_t selector, uint8_t option, uint16_t endValue1, uint8_t endValue2) {
    return getPrintImageData(pixels, width, height, resultWidth, resultHeight, mode, invert, rotation, selector,
                             option, endValue1, endValue2);
}

SendPack kvc_getPrintRateLineImageData(uint32_t width, uint32_t height, double rate, uint8_t selector,
                                       uint8_t option, uint16_t endValue1, uint8_t endValue2) {
    return getPrintRateLineImageData(width, height, rate, selector, option, endValue1, endValue2);
}

SendPack kvc_getPrintBlockTestImageData(void) { return getPrintBlockTestImageData(); }

SendPack kvc_getPrintPrinterInfoData(const char* mac, const char* firmware, const char* time, const char* serial,
                                     const char* application) {
    return getPrintPrinterInfoData(mac, firmware, time, serial, application);
}

void kvFree(void* buffer) { std::free(buffer); }

}  // extern "C"
