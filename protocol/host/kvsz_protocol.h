// The second packet family: fixed head and tail markers, a 32-bit length, no
// CRC and no encryption. Requests for printer information and WiFi set-up,
// a byte-at-a-time reply decoder, and JSON reports of the replies.
#pragma once

#include <cstdint>

#include "protocol/send_pack.h"

extern "C" {

#define KVSZ_HEAD 0x19107319u  // bytes 19 73 10 19
#define KVSZ_TAIL 0x02047919u  // bytes 19 79 04 02
enum { KVSZ_BODY_MAX = 2048, KVSZ_REPORT_SIZE = 2048 };

// A request. data (dataLength bytes) stays owned by whoever filled it.
struct KVSZPacket {
    uint32_t head;
    uint32_t length;   // body length: dataLength + 4
    uint32_t command;  // low 8 bits sent
    uint8_t reserved;  // offset 9, 0
    uint8_t random;    // offset 10, chosen when the record is created
    uint8_t status;    // offset 11, 0 in requests
    uint8_t* data;
    uint32_t tail;
    uint32_t dataLength;
};

// Markers set, command 0, no data, a random byte from rand().
KVSZPacket creatDefaultKVSZPacket(void);
// Sets length and returns the packet's bytes (freeSendPack); the empty
// SendPack for a null packet, or data missing while dataLength is not 0.
SendPack KVSZ_GetProtocolPack(KVSZPacket* packet);
SendPack KVSZ_Get_PrinterInfoData(void);
// Null texts are sent empty; the empty SendPack when memory runs out.
SendPack KVSZ_Set_PrinterWiFi(const char* ssid, const char* password);

// The decoder record.
struct KVSZCmdDecodeInfo {
    uint32_t state;       // 0 to 9
    uint32_t bodyLength;  // at most KVSZ_BODY_MAX
    uint8_t command;
    uint8_t reserved;
    uint8_t random;
    uint8_t status;       // 1 = success
    uint32_t dataLength;  // bodyLength - 4
    uint8_t body[KVSZ_BODY_MAX];
    char report[KVSZ_REPORT_SIZE];
    uint16_t counter;
    uint8_t flags;  // bit 0: a complete packet is waiting
};
extern KVSZCmdDecodeInfo gstKVSZCmdDecodeInfo;

void KVSZ_Packet_Decode(uint8_t byte);
void KVSZ_DecodeReset(void);
// 1 when a packet was handed over (data moved to the start of body).
int KVSZ_AckToAppProcess(void);
// 1 report ready, 2 failure status or malformed data (or report too long),
// 3 unknown command. The report is cleared first.
uint32_t KVSZ_AnalysisPack(void);

// Per byte fed: result (0 when no packet completed), failure flag, command,
// and a malloc'ed report copy ("{}" unless the result is 1).
struct KVSZReceivePack {
    uint32_t result;
    uint8_t failed;
    uint8_t command;
    char* json;
};
KVSZReceivePack getKVSZJsonString(uint8_t byte);
void freeKVSZReceivePack(KVSZReceivePack pack);

}  // extern "C"
