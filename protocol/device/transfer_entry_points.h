// Image transfers of the device protocol for ready bitmaps and for the
// application entry points: the filter's page image, a caller's bitmap or
// picture, the rate-line test pattern and the printer information page. Each
// returns every frame of the transfer in one SendPack (freeSendPack), or the
// empty SendPack when there is nothing to send.
#pragma once

#include <cstdint>

#include "protocol/send_pack.h"

// Part of the public C library (kvprotocol.h).
extern "C" {

// The filter's transfer of a one-bit bitmap (rows of (width + 7) / 8 bytes):
// raw rows for printer family 163, Huffman-compressed parts otherwise.
SendPack driveGetPrintDataFromHex(const uint8_t* bitmap, uint32_t width, uint32_t height);

// Application entry points: raw rows for printer families 163 and 30,
// compressed parts otherwise. selector, option: bytes 4 and 5 of the image
// start command; endValue1, endValue2: the tagged values of the raw form's end
// command.
SendPack getPrintData(const uint8_t* bitmap, uint32_t width, uint32_t height, uint8_t selector, uint8_t option,
                      uint16_t endValue1, uint8_t endValue2);

// Converts a picture first. Image mode 254: one byte per pixel, a dot where
// the byte is above 128; 255: the pixels are a ready bitmap of rows of
// (width + 7) / 8 bytes; any other mode: getImageData. The out pointers (may
// be null) receive the size of the bitmap sent.
SendPack getPrintImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* resultWidth,
                           uint32_t* resultHeight, uint32_t mode, uint8_t invert, uint16_t rotation, uint8_t selector,
                           uint8_t option, uint16_t endValue1, uint8_t endValue2);

// The rate-line test pattern (kvGetRateLinePack) of width x height dots.
SendPack getPrintRateLineImageData(uint32_t width, uint32_t height, double rate, uint8_t selector, uint8_t option,
                                   uint16_t endValue1, uint8_t endValue2);

// The block test image: not supported, always the empty SendPack.
SendPack getPrintBlockTestImageData(void);

// A five-line information page (time, MAC, firmware, serial number,
// application) in the 12 x 16 font, sent as an image. Null texts print empty.
SendPack getPrintPrinterInfoData(const char* mac, const char* firmware, const char* time, const char* serial,
                                 const char* application);

}  // extern "C"
