// The two download sequences: a file (class 2: start with tagged values,
// numbered pieces with their offset, end) and a custom-print image (class 8:
// start, pieces numbered from 0 without offset, end). Each keeps its data from
// the start command to the end command.
#include <algorithm>
#include <cstring>
#include <vector>

#include "protocol/argb_threshold.h"
#include "protocol/command_builders.h"
#include "protocol/command_payload.h"
#include "protocol/frame.h"
#include "protocol/protocol_state.h"

namespace {

struct Download {
    std::vector<uint8_t> data;
    uint32_t startOffset = 0;
    uint32_t nextPiece = 0;
    uint32_t sent = 0;
};

Download gFile;
Download gCustom;

constexpr uint32_t kFileImageType = 4;
constexpr size_t kMaxNameLength = 256;
constexpr uint32_t kPieceHeader = 8;  // largest piece header: index, length, offset

// Piece size: the printer's figure, or, before it has given one, what fits a
// frame of the current maximum length; never more than the frame can carry.
uint32_t pieceSize() {
    uint32_t size = getDownFileOnePackage();
    if (size == 0) {
        const uint32_t buff = getMaxDataLengthOnePackage();
        size = buff > 40 + 1 ? buff - 40 : 1;  // frame header, CRC, piece header, cipher padding
    }
    return std::min(size, kKvMaxEncryptedPayload - kPieceHeader);
}

// Tagged value: tag, 16-bit value length, value.
void tagged(PayloadWriter& payload, uint8_t tag, const uint8_t* value, size_t length) {
    payload.u8(tag).u16(static_cast<uint32_t>(length)).raw(value, length);
}

void taggedInt(PayloadWriter& payload, uint8_t tag, uint32_t value, int bytes) {
    payload.u8(tag).u16(static_cast<uint32_t>(bytes));
    for (int i = 0; i < bytes; ++i) payload.u8(value >> (8 * i));
}

}  // namespace

extern "C" {

SendPack getStartDownFileData(uint16_t fileType, const char* name, const uint8_t* data, uint32_t dataLength,
                              uint32_t startOffset) {
    if (fileType == 0 || fileType > kFileImageType || data == nullptr || dataLength == 0)
        return kvGetEmptyProtocolPack();
    Download next;
    uint32_t width = 0, height = 0;
    if (fileType == kFileImageType) {
        // An RGBA image as wide as the print width, converted to one-bit rows.
        const int32_t printWidth = getMaxWidthDot_l();
        if (printWidth <= 0 || printWidth > 0xFFFF) return kvGetEmptyProtocolPack();
        width = static_cast<uint32_t>(printWidth);
        height = dataLength / (width * 4);
        if (height == 0 || height > 0xFFFF) return kvGetEmptyProtocolPack();
        next.data = kvArgbToBitmapByThreshold(data, width, height, imgThresholdValue);
    } else {
        next.data.assign(data, data + dataLength);
    }
    std::string fileName = name == nullptr ? "" : name;
    if (fileName.empty()) fileName = fileType == kFileImageType ? "imageModel" : "binName";
    fileName.resize(std::min(fileName.size(), kMaxNameLength));

    PayloadWriter payload;
    taggedInt(payload, 1, fileType, 2);
    taggedInt(payload, 2, static_cast<uint32_t>(next.data.size()), 4);
    tagged(payload, 3, reinterpret_cast<const uint8_t*>(fileName.data()), fileName.size());
    if (fileType == kFileImageType) {
        taggedInt(payload, 4, width, 2);
        taggedInt(payload, 5, height, 2);
    }
    SendPack pack = kvBuildCommand(2, 1, payload.bytes);
    if (pack.data == nullptr) return pack;
    next.startOffset = startOffset;
    next.nextPiece = 1;
    gFile = std::move(next);
    return pack;
}

SendPack getDownFileNextPackData(void) {
    if (gFile.sent >= gFile.data.size()) return getDownFileEnd();
    const uint32_t length = std::min<uint32_t>(pieceSize(), static_cast<uint32_t>(gFile.data.size() - gFile.sent));
    PayloadWriter payload;
    payload.u16(gFile.nextPiece).u16(length).u32(gFile.startOffset + gFile.sent);
    payload.raw(gFile.data.data() + gFile.sent, length);
    SendPack pack = kvBuildCommand(2, 3, payload.bytes);
    if (pack.data != nullptr) {
        ++gFile.nextPiece;
        gFile.sent += length;
    }
    return pack;
}

SendPack getDownFileEnd(void) {
    gFile = Download{};
    return kvCommandBytes(2, 2);
}

SendPack RD_getStartDownCustomPrintData(uint8_t a, uint8_t b, const uint8_t* pixels, uint32_t width, uint32_t height) {
    if (pixels == nullptr || width == 0 || height == 0 || width > 0xFFFF || height > 0xFFFF)
        return kvGetEmptyProtocolPack();
    Download next;
    next.data = kvArgbToBitmapByThreshold(pixels, width, height, imgThresholdValue);
    PayloadWriter payload;
    taggedInt(payload, 1, a, 1);
    taggedInt(payload, 2, b, 1);
    taggedInt(payload, 3, width, 2);
    taggedInt(payload, 4, height, 2);
    SendPack pack = kvBuildCommand(8, 9, payload.bytes);
    if (pack.data != nullptr) gCustom = std::move(next);
    return pack;
}

SendPack RD_getDownCustomPrintNextPackData(void) {
    if (gCustom.sent >= gCustom.data.size()) return RD_getDownCustomPrintEndPackData();
    const uint32_t length = std::min<uint32_t>(pieceSize(), static_cast<uint32_t>(gCustom.data.size() - gCustom.sent));
    PayloadWriter payload;
    payload.u16(gCustom.nextPiece).u16(length).raw(gCustom.data.data() + gCustom.sent, length);
    SendPack pack = kvBuildCommand(8, 11, payload.bytes);
    if (pack.data != nullptr) {
        ++gCustom.nextPiece;
        gCustom.sent += length;
    }
    return pack;
}

SendPack RD_getDownCustomPrintEndPackData(void) {
    gCustom = Download{};
    return kvCommandBytes(8, 10);
}

void RD_getDownCustomPrintProgress(uint32_t* sent, uint32_t* total) {
    if (sent != nullptr) *sent = gCustom.sent;
    if (total != nullptr) *total = static_cast<uint32_t>(gCustom.data.size());
}

}  // extern "C"
