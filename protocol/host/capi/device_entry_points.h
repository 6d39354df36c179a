// C-linkage names of the device image entry points for the shared library.
// The device module declares them as C++ functions; these wrappers carry the
// plain C symbol names of the public header (set with asm labels) and call
// through. kvc_ names are only for the library's own consistency checks.
#pragma once

#include <cstdint>

#include "protocol/send_pack.h"

struct ImageGap;

extern "C" {

uint8_t* kvc_getImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth,
                          uint32_t* outHeight, uint32_t mode, uint8_t invert, uint16_t rotation)
    __asm__("getImageData");
uint8_t* kvc_getRGBAImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth,
                              uint32_t* outHeight, uint32_t mode, uint8_t invert, uint16_t rotation,
                              uint32_t* byteCount) __asm__("getRGBAImageData");
ImageGap kvc_getImageGap(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth,
                         uint32_t* outHeight, uint32_t mode, uint8_t invert) __asm__("getImageGap");
uint8_t* kvc_driveGetDataFromGrayImage(const uint8_t* grayImage, uint32_t* width, uint32_t* height,
                                       uint16_t rotation, uint32_t mode) __asm__("driveGetDataFromGrayImage");
uint8_t* kvc_driveGetDataFromRGBAImage(const uint8_t* rgbaImage, uint32_t* width, uint32_t* height,
                                       uint16_t rotation) __asm__("driveGetDataFromRGBAImage");
SendPack kvc_driveGetPrintDataFromHex(const uint8_t* bitmap, uint32_t width, uint32_t height)
    __asm__("driveGetPrintDataFromHex");
SendPack kvc_getPrintData(const uint8_t* bitmap, uint32_t width, uint32_t height, uint8_t selector,
                          uint8_t option, uint16_t endValue1, uint8_t endValue2) __asm__("getPrintData");
SendPack kvc_getPrintImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* resultWidth,
                               uint32_t* resultHeight, uint32_t mode, uint8_t invert, uint16_t rotation,
                               uint8_t selector, uint8_t option, uint16_t endValue1, uint8_t endValue2)
    __asm__("getPrintImageData");
SendPack kvc_getPrintRateLineImageData(uint32_t width, uint32_t height, double rate, uint8_t selector,
                                       uint8_t option, uint16_t endValue1, uint8_t endValue2)
    __asm__("getPrintRateLineImageData");
SendPack kvc_getPrintBlockTestImageData(void) __asm__("getPrintBlockTestImageData");
SendPack kvc_getPrintPrinterInfoData(const char* mac, const char* firmware, const char* time, const char* serial,
                                     const char* application) __asm__("getPrintPrinterInfoData");

void kvFree(void* buffer);

}  // extern "C"
