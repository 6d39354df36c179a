// Byte-at-a-time decoder of the frames a device printer sends back, and the
// hand-over of a checked frame (decryption, split into class, sub-command and
// payload). Bad frames are dropped silently; the caller just sees none.
#include "protocol/host/reply_decoder.h"

#include <cstring>

#include "protocol/aes128.h"
#include "protocol/crc32.h"
#include "protocol/printer_families.h"
#include "protocol/protocol_state.h"

KVCmdDecodeInfo gstKVCmdDecodeInfo{};

namespace {

enum : uint8_t {
    kWaitA3 = 0,
    kWait1E = 1,
    kWaitType = 2,
    kEncryption = 3,
    kLength = 4,
    kBody = 5,
    kCrc = 6,
};

constexpr uint8_t kFrameWaiting = 0x01;
constexpr uint32_t kBodyHeader = 5;  // kind byte, cmd, subCmd, payload length

bool headerless() { return getODMPrinterType() == kOdmEncrypted; }

void restart(KVCmdDecodeInfo& d) {
    d.state = headerless() ? kWaitType : kWaitA3;
    d.counter = 0;
}

// The frame's header starts: its fields overwrite those of a frame still
// waiting to be handed over, so that one is given up whole rather than handed
// over mixed with the new one.
void startHeader(KVCmdDecodeInfo& d, uint8_t byte) {
    d.flags &= uint8_t(~kFrameWaiting);
    d.encryptType = byte >> 4;
    d.bodyLength = 0;
    d.counter = 0;
    d.state = kLength;
}

void startBody(KVCmdDecodeInfo& d) {
    std::memset(d.body, 0, sizeof d.body);
    d.crcSeed = kvCrcSeedForType(getODMPrinterType());
    d.receivedCrc = 0;
    d.counter = 0;
}

// The length is checked whole before it is stored: a length the body can't
// hold drops the frame and leaves the record's length within the body.
void onLengthByte(KVCmdDecodeInfo& d, uint8_t byte) {
    if (d.counter == 0) {
        d.bodyLength = byte;
        d.counter = 1;
        return;
    }
    const uint32_t length = uint32_t(d.bodyLength & 0xFF) | uint32_t(byte) << 8;
    if (length > KV_DECODE_BODY_MAX) {
        d.bodyLength = 0;
        restart(d);
        return;
    }
    d.bodyLength = uint16_t(length);
    startBody(d);
    if (d.bodyLength == 0) {
        d.computedCrc = d.crcSeed;  // the CRC of nothing
        d.state = kCrc;
    } else {
        d.state = kBody;
    }
}

void onBodyByte(KVCmdDecodeInfo& d, uint8_t byte) {
    if (d.bodyLength > KV_DECODE_BODY_MAX || d.counter >= d.bodyLength) {  // record altered from outside
        restart(d);
        return;
    }
    d.body[d.counter++] = byte;
    if (d.counter < d.bodyLength) return;
    d.computedCrc = HAL_KV_crc32(d.crcSeed, d.body, d.bodyLength);
    d.counter = 0;
    d.state = kCrc;
}

void onCrcByte(KVCmdDecodeInfo& d, uint8_t byte) {
    if (d.counter >= 4) {
        restart(d);
        return;
    }
    d.receivedCrc |= uint32_t(byte) << (8 * d.counter);
    if (++d.counter < 4) return;
    if (d.receivedCrc == d.computedCrc) d.flags |= kFrameWaiting;
    restart(d);
}

// A header byte that does not fit restarts the search, and the byte itself
// is looked at again as a possible start, so "A3 A3 1E ..." is not lost.
void resync(KVCmdDecodeInfo& d, uint8_t byte) {
    const uint8_t before = d.state;
    restart(d);
    if (d.state != before) HAL_KV_Packet_Decode(byte);
}

}  // namespace

extern "C" {

void HAL_KVDecodeReset(void) { restart(gstKVCmdDecodeInfo); }

void HAL_KV_Packet_Decode(uint8_t byte) {
    KVCmdDecodeInfo& d = gstKVCmdDecodeInfo;
    const uint32_t type = getODMPrinterType();
    // Family 163 frames start at the type byte, which is also 0xA3.
    if (d.state == kWaitA3 && type == kOdmEncrypted) d.state = kWaitType;
    switch (d.state) {
        case kWaitA3:
            if (byte == 0xA3) d.state = kWait1E;
            break;
        case kWait1E:
            if (byte == 0x1E)
                d.state = kWaitType;
            else
                resync(d, byte);
            break;
        case kWaitType:
            if (byte == uint8_t(type))
                d.state = kEncryption;
            else
                resync(d, byte);
            break;
        case kEncryption: startHeader(d, byte); break;
        case kLength: onLengthByte(d, byte); break;
        case kBody: onBodyByte(d, byte); break;
        case kCrc: onCrcByte(d, byte); break;
        default: restart(d); break;
    }
}

int HAL_KV_AckToAPP_Process(void) {
    KVCmdDecodeInfo& d = gstKVCmdDecodeInfo;
    if ((d.flags & kFrameWaiting) == 0) return 0;
    d.flags &= uint8_t(~kFrameWaiting);
    // The record is public: a length it was given from outside is not trusted.
    if (d.bodyLength > KV_DECODE_BODY_MAX) return 0;
    if (d.encryptType == 2) {
        AES_Init(AES128_Key);
        AES_Decrypt(d.body, d.body, uint32_t(d.bodyLength / 16 * 16), AES128_IVKey);
    }
    d.kind = d.body[0];
    d.cmd = d.body[1];
    d.subCmd = d.body[2];
    d.payloadLength = uint16_t(d.body[3] | d.body[4] << 8);
    if (d.bodyLength > kBodyHeader && d.payloadLength + kBodyHeader <= d.bodyLength) {
        std::memmove(d.body, d.body + kBodyHeader, d.payloadLength);
        std::memset(d.body + d.payloadLength, 0, kBodyHeader);
    }
    return 1;
}

}  // extern "C"
