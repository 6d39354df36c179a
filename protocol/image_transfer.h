// Image transfer to the device printers: start, tree, data and end commands;
// the Huffman-compressed transfer in image parts (every family but 163) and
// the raw transfer of whole rows (family 163); the rate-line test pattern.
#pragma once

#include <cstdint>

#include "protocol/send_pack.h"

extern "C" {

// Image start: width, height, selector (0, 1 or 3, else 0), option, flag (0 or 1, else 0).
SendPack getSendImageStartData(uint32_t width, uint32_t height, uint8_t selector, uint8_t option, uint8_t flag);
SendPack getCompressSendImageStartData(uint32_t width, uint32_t height, uint8_t selector, uint8_t option, uint8_t flag);
// Image tree: the tree pack of the part.
SendPack getSendImageTreeData(const uint8_t* treePack, uint16_t length);
// Image end: no payload, or for family 163 the two tagged values.
SendPack getSendImageEndData(uint16_t value1, uint8_t value2);
// Tree pack of exactly these bytes.
SendPack getTreePack(const uint8_t* bitmap, uint32_t byteCount);
// All coded data commands of one image part; empty when nothing could be coded.
SendPack getCompressSendImageData(const uint8_t* part, uint32_t rowWidthBytes, uint32_t byteCount);

// The next three measure, then fill: with *size 0 they store the byte count
// and return the empty SendPack; with that count they return the frames.
SendPack getSendImageData(const uint8_t* bitmap, uint32_t rowWidthBytes, uint32_t totalBytes, uint32_t payloadLimit,
                          uint32_t* size);
SendPack getAllCompressImagePart(const uint8_t* bitmap, uint32_t widthDots, uint32_t height, uint8_t selector,
                                 uint8_t option, uint8_t flag, uint32_t* size);
// Measuring and filling getAllCompressImagePart in one go: the frames are
// built once, and the diagnostic lines of the two calls are both written.
// Empty when the measuring call would store 0.
SendPack getAllCompressImagePartOnce(const uint8_t* bitmap, uint32_t widthDots, uint32_t height, uint8_t selector,
                                     uint8_t option, uint8_t flag);
SendPack getAllImageData(const uint8_t* bitmap, uint32_t widthDots, uint32_t height, uint8_t selector, uint8_t option,
                         uint8_t flag, uint16_t endValue1, uint8_t endValue2, uint32_t* size);

// Rate-line test pattern: a one-bit bitmap of width (rounded up to 8) x height.
SendPack kvGetRateLinePack(uint32_t width, uint32_t height, double rate);

}  // extern "C"

// Payload limit of one image frame for the current frame length and family.
int64_t kvImagePayloadLimit(void);
