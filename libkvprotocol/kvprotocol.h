/*
 * kvprotocol.h - C interface of the device protocol library (libkvprotocol).
 *
 * The library speaks the binary packet protocol of the portable label and
 * receipt printers: it builds command frames (CRC-32, AES-128 for printer
 * family 163), sends page images (Huffman-coded or raw), decodes the frames a
 * printer sends back, turns them into JSON reports, and speaks the second,
 * simpler packet family.
 *
 * Ownership, in one place:
 *  - Every function returning a SendPack gives heap bytes to the caller; free
 *    them with freeSendPack(pack.data, pack.length). The empty SendPack
 *    {NULL, 0} means "no command" (rejected arguments, nothing to send).
 *  - HAL_KV_Protocol_PacketBuid, getImageData, getRGBAImageData,
 *    driveGetDataFromGrayImage and driveGetDataFromRGBAImage return heap
 *    buffers: free them with kvFree().
 *  - ReceivePack.json is freed with freeReceivePack(), KVSZReceivePack.json
 *    with freeKVSZReceivePack(). Neither is ever NULL unless memory ran out.
 *  - Pointers passed in stay owned by the caller; nothing keeps them after
 *    the call returns (the download builders copy their data).
 *
 * Diagnostics: the library writes no file and prints nothing; its log lines
 * go to the function installed with kvSetLogFunction (none by default).
 *
 * State: the printer family (setODMType), frame length, connection cache and
 * both reply decoders are process-wide and unlocked: use the library from
 * one thread. Multi-byte wire fields are little-endian.
 */
#ifndef KVPROTOCOL_H
#define KVPROTOCOL_H

#include <stddef.h>
#include <stdint.h>

/* ---- Version ------------------------------------------------------------ */

/* The version of this header; the library's soname changes with the major. */
#define KVPROTOCOL_VERSION_MAJOR 1
#define KVPROTOCOL_VERSION_MINOR 0
#define KVPROTOCOL_VERSION_PATCH 0
/* major * 10000 + minor * 100 + patch, the form kvprotocolVersion() returns. */
#define KVPROTOCOL_VERSION \
    (KVPROTOCOL_VERSION_MAJOR * 10000 + KVPROTOCOL_VERSION_MINOR * 100 + KVPROTOCOL_VERSION_PATCH)

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Records ---------------------------------------------------------- */

#ifndef KV_PROTOCOL_INTERNAL_TYPES
/* Builder result: heap bytes and their count. */
typedef struct SendPack {
    uint8_t* data;
    uint32_t length;
} SendPack;

/* One frame to build (only the low 4 bits of the last three bytes count). */
typedef struct ProtocolPackHead {
    uint8_t cmd; /* class: 1 info/power, 2 download, 3 WiFi, 4 Bluetooth, 5 printing, 7 NFC, 8 custom */
    uint8_t subCmd;
    uint8_t encryptType; /* 0 clear, 2 AES-128 */
    uint8_t packetKind;  /* 1 host commands and notices, 2 printer replies */
    uint8_t replyFlag;   /* 1 commands and good replies, 0 image data and notices */
    uint16_t dataLength;
} ProtocolPackHead;

/* Per byte fed to the reply decoder. */
typedef struct ReceivePack {
    uint32_t result; /* 0 nothing yet, 1 report ready, 2 failure, 3 unknown command */
    uint8_t kind;    /* kind byte of the frame: 0x21 reply, 0x10 notice */
    uint8_t cmd;
    uint8_t subCmd;
    uint8_t failed; /* 1 for results 2 and 3 */
    char* json;     /* JSON report, "{}" when there is none */
} ReceivePack;

/* A request of the second packet family; data stays the caller's. */
typedef struct KVSZPacket {
    uint32_t head;
    uint32_t length;
    uint32_t command;
    uint8_t reserved;
    uint8_t random;
    uint8_t status;
    uint8_t* data;
    uint32_t tail;
    uint32_t dataLength;
} KVSZPacket;

typedef struct KVSZReceivePack {
    uint32_t result; /* as ReceivePack.result */
    uint8_t failed;
    uint8_t command;
    char* json;
} KVSZReceivePack;

/* Blank margins of a converted image. */
typedef struct ImageGap {
    uint32_t top;
    uint32_t bottom;
    uint32_t left;
    uint32_t right;
} ImageGap;
#endif /* KV_PROTOCOL_INTERNAL_TYPES */

/* The version of the library the program runs with, as KVPROTOCOL_VERSION;
 * it may be newer than the header the program was built with. */
uint32_t kvprotocolVersion(void);

/* ---- Diagnostics --------------------------------------------------------- */

/* Receives each diagnostic line of the library: time stamp, text, CR LF
 * (length bytes, no NUL in the count). */
typedef void (*KVLogFunction)(const char* line, size_t length, void* context);
/* Installs the receiver of the diagnostic lines, with a pointer handed back to
 * it; NULL, the default, drops them. The library never opens a file. */
void kvSetLogFunction(KVLogFunction function, void* context);

/* Frees a buffer the library returned (not SendPacks or receive records). */
void kvFree(void* buffer);

/* ---- Frames, CRC and module state ------------------------------------- */

uint8_t* HAL_KV_Protocol_PacketBuid(ProtocolPackHead head, const uint8_t* payload, uint32_t* frameLength);
SendPack kvGetProtocolPack(ProtocolPackHead head, const uint8_t* payload);
SendPack kvGetEmptyProtocolPack(void);
void freeSendPack(uint8_t* data, uint32_t length);
uint32_t HAL_KV_crc32(uint32_t seed, const uint8_t* data, uint32_t length);
uint32_t HAL_KV_crc32_twoBuff(uint32_t seed, const uint8_t* first, uint32_t firstLength, const uint8_t* second,
                              uint32_t secondLength);
void setODMPrinterType(uint32_t type);
uint32_t getODMPrinterType(void);
void setMaxDataLengthOnePackage(uint32_t length);
uint32_t getMaxDataLengthOnePackage(void);
void setDownFileOnePackage(uint32_t length);
uint32_t getDownFileOnePackage(void);
uint32_t getPrintImageOnePackageWithImageWidthByte(uint32_t widthBytes);
int32_t getMaxWidthDot_l(void);
/* Clears the connection cache and resets the reply decoder. */
void resetCacheWhenStartConnect(void);

/* ---- Command vocabulary ------------------------------------------------ */
uint8_t getEncryptType(void); /* 2 for printer family 163, else 0 */
void setODMType(uint32_t type);
void setThreshold(uint8_t value);
int32_t getMaxWidthDot(void);
/* Replaces every occurrence of pattern in text, in place. Only a replacement */
/* no longer than the pattern fits; a longer one leaves the text unchanged. */
void strReplece(char* text, const char* pattern, const char* replacement);

/* Class 1: printer information and power. */
SendPack getProtocolData(void);
SendPack getPrinterInfoSystemData(void);
SendPack getPrinterInfoProductData(void);
SendPack getPrinterInfoMaxPxData(void);
SendPack getPrinterInfoSNData(void);
SendPack getPrinterInfoNameData(void);
SendPack getPrinterInfoHardwareData(void);
SendPack getPrinterInfoSoftwareData(void);
SendPack getPrinterInfoShutdownTimeData(void);
SendPack setPrinterInfoShutdownTimeData(uint16_t value);
SendPack getPrinterInfoBatteryData(void);
SendPack getPrinterInfoTEMPData(void);
SendPack getPrinterInfoStateData(void);
SendPack setPrinterInfoResetData(void);
SendPack setPrinterInfoSleepData(void);
SendPack setPrinterInfoShutdownData(void);
SendPack setPrinterInfoRestoreFactorySettingsData(void);
SendPack setPrinterInfoUTCData(uint32_t time);
SendPack getPrinterInfoOTAPathData(void);
SendPack setPrinterInfoButtonEnableData(uint8_t a, uint8_t b, uint8_t c);
SendPack getPrinterInfoButtonEnableData(uint8_t a);
SendPack setPrinterInfoButtonData(uint8_t a, uint8_t b, uint8_t c, uint16_t d);
SendPack getPrinterInfoButtonData(uint8_t a, uint8_t b, uint8_t c);

/* Class 2: file download (start, numbered pieces, end). */
SendPack getStartDownFileData(uint16_t fileType, const char* name, const uint8_t* data, uint32_t dataLength,
                              uint32_t startOffset);
SendPack getDownFileNextPackData(void);
SendPack getDownFileEnd(void);

/* Class 3: WiFi. */
SendPack getPrinterWiFiListData(void);
SendPack setPrinterWiFiConfigData(const char* ssid, const char* password);
SendPack getPrinterWiFiStateData(void);
SendPack setPrinterWiFiMacData(const char* text);
SendPack getPrinterWiFiFWVersionData(void);
SendPack getPrinterWiFiConfigData(void);
SendPack getPrinterWiFiInfoData(void);

/* Class 4: Bluetooth. */
SendPack getPrinterBleNameData(void);
SendPack setPrinterBleNameData(const char* name);
SendPack getPrinterBleMacData(void);
SendPack getPrinterBlePinCodeData(void);
SendPack getPrinterBleUartRateData(void);
SendPack getPrinterBleVersionData(void);
SendPack getPrinterBleStateData(void);
SendPack setPrinterWiFiCFGData(const char* ssid, const char* password);

/* Class 5: printing. */
SendPack getPrinterPrintColorSupportData(void);
SendPack getPrinterPrintDarknessData(void);
SendPack setPrinterPrintDarknessData(const char* text);
SendPack getPrinterPrintSpeedData(void);
SendPack setPrinterPrintSpeedData(uint8_t speed);
SendPack setPrinterPrintFeedData(const char* text);
SendPack setPrinterPrintSelfTestData(void);
SendPack setPrinterPrintQRcodeData(uint8_t value);
SendPack getPrinterPrintTPHModelData(void);
SendPack getPrinterPrintPaperTypeData(void);
SendPack setPrinterPrintPaperTypeData(uint8_t type);
SendPack setPrinterPrintLabelLearnData(void);
SendPack setPrinterPrintLackPaperLearnData(void);
SendPack getPrinterPrintLackPaperData(void);
SendPack getPrinterPrintBadSpotDetectionData(void);
SendPack getPrinterPrintMileageData(void);
SendPack setPrinterPrintClearMileageData(void);
SendPack setPrinterPrintActionData(uint8_t action);
SendPack setPrinterPrintFallbackData(uint16_t value);
SendPack getPrinterPrintFallbackData(void);
SendPack getPrinterPrintADData(void);
SendPack getPrinterPrinterBusyStateData(void);
SendPack setPrinterPrintSilentModelData(uint8_t value);
SendPack getPrinterPrintManualCuttingAlertData(void);
SendPack setPrinterPrintManualCuttingAlertData(uint8_t value);

/* Class 7: NFC. */
SendPack getPrinterNFCInfoData(void);

/* Class 8: custom offline printing. */
SendPack RD_setPrinterCustomOfflinePrintEnableData(uint8_t value);
SendPack RD_getPrinterCustomOfflinePrintEnableData(void);
SendPack RD_setPrinterCustomCustomPrintEnableData(uint8_t a, uint8_t b, uint8_t c);
SendPack RD_getPrinterCustomCustomPrintEnableData(uint8_t a, uint8_t b);
SendPack RD_setPrinterCustomTimeFormatPrintData(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
SendPack RD_getPrinterCustomTimeFormatPrintData(uint8_t a, uint8_t b);
SendPack RD_setPrinterCustomTimePrintOffsetData(uint8_t a, uint8_t b, uint8_t c, uint32_t d);
SendPack RD_getPrinterCustomTimePrintOffsetData(uint8_t a, uint8_t b);
/* The image (4 bytes per pixel: byte 0 alpha, bytes 1-3 colour) is kept as a */
/* one-bit bitmap and sent by the following piece commands. */
SendPack RD_getStartDownCustomPrintData(uint8_t a, uint8_t b, const uint8_t* pixels, uint32_t width, uint32_t height);
SendPack RD_getDownCustomPrintNextPackData(void);
SendPack RD_getDownCustomPrintEndPackData(void);
/* Progress of the custom-print download: bitmap bytes sent and in total. */
void RD_getDownCustomPrintProgress(uint32_t* sent, uint32_t* total);

/* ---- Image transfer ------------------------------------------------------ */
/* Image start: width, height, selector (0, 1 or 3, else 0), option, flag (0 or 1, else 0). */
SendPack getSendImageStartData(uint32_t width, uint32_t height, uint8_t selector, uint8_t option, uint8_t flag);
SendPack getCompressSendImageStartData(uint32_t width, uint32_t height, uint8_t selector, uint8_t option, uint8_t flag);
/* Image tree: the tree pack of the part. */
SendPack getSendImageTreeData(const uint8_t* treePack, uint16_t length);
/* Image end: no payload, or for family 163 the two tagged values. */
SendPack getSendImageEndData(uint16_t value1, uint8_t value2);
/* Tree pack of exactly these bytes. */
SendPack getTreePack(const uint8_t* bitmap, uint32_t byteCount);
/* All coded data commands of one image part; empty when nothing could be coded. */
SendPack getCompressSendImageData(const uint8_t* part, uint32_t rowWidthBytes, uint32_t byteCount);

/* The next three measure, then fill: with *size 0 they store the byte count */
/* and return the empty SendPack; with that count they return the frames. */
SendPack getSendImageData(const uint8_t* bitmap, uint32_t rowWidthBytes, uint32_t totalBytes, uint32_t payloadLimit,
                          uint32_t* size);
SendPack getAllCompressImagePart(const uint8_t* bitmap, uint32_t widthDots, uint32_t height, uint8_t selector,
                                 uint8_t option, uint8_t flag, uint32_t* size);
SendPack getAllImageData(const uint8_t* bitmap, uint32_t widthDots, uint32_t height, uint8_t selector, uint8_t option,
                         uint8_t flag, uint16_t endValue1, uint8_t endValue2, uint32_t* size);

/* Rate-line test pattern: a one-bit bitmap of width (rounded up to 8) x height. */
SendPack kvGetRateLinePack(uint32_t width, uint32_t height, double rate);

/* ---- Image entry points ------------------------------------------------- */

/* Four bytes per pixel (alpha, then colour) to a one-bit bitmap, rows of
 * (width + 7) / 8 bytes, MSB leftmost, 1 a dot; image modes 0 to 12. kvFree. */
uint8_t* getImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth, uint32_t* outHeight,
                      uint32_t mode, uint8_t invert, uint16_t rotation);
uint8_t* getRGBAImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth,
                          uint32_t* outHeight, uint32_t mode, uint8_t invert, uint16_t rotation, uint32_t* byteCount);
ImageGap getImageGap(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* outWidth, uint32_t* outHeight,
                     uint32_t mode, uint8_t invert);
uint8_t* driveGetDataFromGrayImage(const uint8_t* grayImage, uint32_t* width, uint32_t* height, uint16_t rotation,
                                   uint32_t mode);
uint8_t* driveGetDataFromRGBAImage(const uint8_t* rgbaImage, uint32_t* width, uint32_t* height, uint16_t rotation);
/* Whole image transfers: raw rows for families 163 (and 30 for the getPrint*
 * functions), Huffman-coded parts otherwise. */
SendPack driveGetPrintDataFromHex(const uint8_t* bitmap, uint32_t width, uint32_t height);
SendPack getPrintData(const uint8_t* bitmap, uint32_t width, uint32_t height, uint8_t selector, uint8_t option,
                      uint16_t endValue1, uint8_t endValue2);
/* Image mode 254: one byte per pixel, a dot above 128; 255: a ready bitmap. */
SendPack getPrintImageData(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* resultWidth,
                           uint32_t* resultHeight, uint32_t mode, uint8_t invert, uint16_t rotation, uint8_t selector,
                           uint8_t option, uint16_t endValue1, uint8_t endValue2);
SendPack getPrintRateLineImageData(uint32_t width, uint32_t height, double rate, uint8_t selector, uint8_t option,
                                   uint16_t endValue1, uint8_t endValue2);
SendPack getPrintBlockTestImageData(void);
SendPack getPrintPrinterInfoData(const char* mac, const char* firmware, const char* time, const char* serial,
                                 const char* application);

/* ---- Reply decoding and reports ---------------------------------------- */

/* Feed printer bytes one at a time; each call returns a record to free. */
ReceivePack getJsonString(uint8_t byte);
/* The same for JSON-wrapped replies: {"Cmd": "<base64 frame>"}. */
ReceivePack getJsonStringFromWrapped(uint8_t character);
void freeReceivePack(ReceivePack pack);
/* Lower-level steps of getJsonString. */
void HAL_KV_Packet_Decode(uint8_t byte);
void HAL_KVDecodeReset(void);
int HAL_KV_AckToAPP_Process(void);
void HAL_KV_Packet_Decode_Json(uint8_t character);
void HAL_KVDecodeJsonReset(void);
uint32_t analysisPack(void);
uint32_t analysisDatas(const uint8_t* payload, uint32_t length);
/* Appends the status words of each set bit (0 to 13) to two NUL-terminated
 * buffers; leave at least 200 free bytes in each. */
void PrinterStatusFill(int32_t status, char* chinese, char* english);

/* ---- Second packet family ------------------------------------------------ */

KVSZPacket creatDefaultKVSZPacket(void);
SendPack KVSZ_GetProtocolPack(KVSZPacket* packet);
SendPack KVSZ_Get_PrinterInfoData(void);
SendPack KVSZ_Set_PrinterWiFi(const char* ssid, const char* password);
void KVSZ_Packet_Decode(uint8_t byte);
void KVSZ_DecodeReset(void);
int KVSZ_AckToAppProcess(void);
uint32_t KVSZ_AnalysisPack(void);
KVSZReceivePack getKVSZJsonString(uint8_t byte);
void freeKVSZReceivePack(KVSZReceivePack pack);

#ifdef __cplusplus
}
#endif

#endif /* KVPROTOCOL_H */
