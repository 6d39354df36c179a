// Receiving side of the device protocol: the byte-at-a-time frame decoder
// (leading bytes, family byte, length, body, CRC-32), the AES decryption and
// hand-over of a checked frame, the JSON wrapper that carries frames in base64,
// and the receive record an application gets per byte fed.
#pragma once

#include <cstdint>

extern "C" {

// Largest frame body the decoder accepts, and the size of the report text.
enum { KV_DECODE_BODY_MAX = 2050, KV_DECODE_REPORT_SIZE = 4096, KV_DECODE_JSON_MAX = 2050 };

// The one decoder record of the process.
struct KVCmdDecodeInfo {
    uint8_t state;           // 0 to 6
    uint32_t encryptType;    // high nibble of the frame's byte 3
    uint16_t bodyLength;     // from the length field, at most KV_DECODE_BODY_MAX
    uint32_t receivedCrc;    // the frame's CRC, low byte first
    uint8_t cmd;             // set on hand-over
    uint8_t subCmd;          // set on hand-over
    uint8_t kind;            // (packetKind << 4) | replyFlag of the frame
    uint16_t payloadLength;  // payload bytes at the start of body after hand-over
    uint8_t body[KV_DECODE_BODY_MAX];
    char report[KV_DECODE_REPORT_SIZE];  // JSON text of the last analysis
    uint16_t counter;                    // position within the current field
    uint8_t flags;                       // bit 0: a complete, checked frame is waiting
    uint32_t computedCrc;
    uint32_t crcSeed;
};
extern KVCmdDecodeInfo gstKVCmdDecodeInfo;

// The JSON wrapper record: 0 waiting for "{", 1 collecting.
struct KVCmdDecodeJsonInfo {
    uint32_t state;
    char text[KV_DECODE_JSON_MAX];
    uint32_t length;
};
extern KVCmdDecodeJsonInfo gstKVCmdDecodeJsonInfo;

// Advances the decoder by one received byte.
void HAL_KV_Packet_Decode(uint8_t byte);
// Back to the start state (2 for family 163, whose frames lack A3 1E; else 0).
void HAL_KVDecodeReset(void);
// Hands the waiting frame over (decrypts, splits, moves the payload to the
// start of body) and returns 1; returns 0 when no frame is waiting.
int HAL_KV_AckToAPP_Process(void);

// Advances the JSON wrapper by one character; a complete {...} text whose
// string member "Cmd" holds base64 frame bytes feeds them to the decoder.
void HAL_KV_Packet_Decode_Json(uint8_t character);
void HAL_KVDecodeJsonReset(void);

// What an application gets per byte fed. json is a malloc'ed NUL-terminated
// report ("{}" when there is nothing to report); free it with freeReceivePack.
struct ReceivePack {
    uint32_t result;  // 0 nothing, 1 success, 2 failure, 3 unknown command
    uint8_t kind;
    uint8_t cmd;
    uint8_t subCmd;
    uint8_t failed;  // 1 for results 2 and above
    char* json;
};

// Feeds one printer byte; when it completes a frame, analyses it.
ReceivePack getJsonString(uint8_t byte);
// The same for one character of JSON-wrapped replies.
ReceivePack getJsonStringFromWrapped(uint8_t character);
// Frees the record's JSON copy (null is ignored).
void freeReceivePack(ReceivePack pack);

}  // extern "C"
