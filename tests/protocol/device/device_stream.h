// Test helpers: splits a device-protocol byte stream into checked frames and
// decodes the image transfer in it back to the one-bit bitmap the printer
// would print (Huffman parts or raw rows).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvdtest {

using Bytes = std::vector<uint8_t>;

struct Frame {
    uint8_t kind = 0;
    uint8_t cmd = 0;
    uint8_t sub = 0;
    Bytes payload;
    size_t length = 0;  // whole frame, in bytes
};

// Clear frames of a family other than 163 (A3 1E type 00 len ...): every
// header field and CRC checked; a malformed stream fails the current test and
// returns the frames read so far.
std::vector<Frame> parseFrames(const std::string& stream, uint8_t odmType = 28);
std::vector<Frame> parseFrames(const Bytes& stream, uint8_t odmType = 28);

// "5/11 5/14 5/13 5/12 ..." style summary, consecutive data frames shown once
// as "5/13*".
std::string frameSummary(const std::vector<Frame>& frames);

struct Bitmap {
    uint32_t width = 0;  // dots, from the image start command
    uint32_t height = 0;
    Bytes bits;  // height rows of width / 8 bytes
};

// Decodes every image part (start, tree, data, end) in the frames, or the
// raw rows of an uncompressed transfer.
Bitmap decodeTransfer(const std::vector<Frame>& frames);

}  // namespace kvdtest
