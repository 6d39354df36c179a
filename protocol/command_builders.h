// Builders of the device command vocabulary: each fills one frame (packet
// kind 1, reply flag 1, the family's encryption) with its small payload and
// returns it as a SendPack; rejected arguments give the empty SendPack.
// Also the module's settings: ODM type, image threshold, encryption choice.
#pragma once

#include <cstdint>

#include "protocol/send_pack.h"

// The image threshold of a fresh process.
inline constexpr uint8_t kDefaultImageThreshold = 142;

extern "C" {

// Grey threshold of the simple grey-to-one-bit conversion: the process-wide
// value (initially kDefaultImageThreshold) that setThreshold changes.
extern uint8_t imgThresholdValue;

uint8_t getEncryptType(void);  // 2 for printer family 163, else 0
void setODMType(uint32_t type);
void setThreshold(uint8_t value);
int32_t getMaxWidthDot(void);
// Replaces every occurrence of pattern in text, in place. Only a replacement
// no longer than the pattern fits; a longer one leaves the text unchanged.
void strReplece(char* text, const char* pattern, const char* replacement);

// Class 1: printer information and power (the connection start,
// getProtocolData, is in protocol/host/connection_start.h).
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

// Class 2: file download (start, numbered pieces, end).
SendPack getStartDownFileData(uint16_t fileType, const char* name, const uint8_t* data, uint32_t dataLength,
                              uint32_t startOffset);
SendPack getDownFileNextPackData(void);
SendPack getDownFileEnd(void);

// Class 3: WiFi.
SendPack getPrinterWiFiListData(void);
SendPack setPrinterWiFiConfigData(const char* ssid, const char* password);
SendPack getPrinterWiFiStateData(void);
SendPack setPrinterWiFiMacData(const char* text);
SendPack getPrinterWiFiFWVersionData(void);
SendPack getPrinterWiFiConfigData(void);
SendPack getPrinterWiFiInfoData(void);

// Class 4: Bluetooth.
SendPack getPrinterBleNameData(void);
SendPack setPrinterBleNameData(const char* name);
SendPack getPrinterBleMacData(void);
SendPack getPrinterBlePinCodeData(void);
SendPack getPrinterBleUartRateData(void);
SendPack getPrinterBleVersionData(void);
SendPack getPrinterBleStateData(void);
SendPack setPrinterWiFiCFGData(const char* ssid, const char* password);

// Class 5: printing.
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

// Class 7: NFC.
SendPack getPrinterNFCInfoData(void);

// Class 8: custom offline printing.
SendPack RD_setPrinterCustomOfflinePrintEnableData(uint8_t value);
SendPack RD_getPrinterCustomOfflinePrintEnableData(void);
SendPack RD_setPrinterCustomCustomPrintEnableData(uint8_t a, uint8_t b, uint8_t c);
SendPack RD_getPrinterCustomCustomPrintEnableData(uint8_t a, uint8_t b);
SendPack RD_setPrinterCustomTimeFormatPrintData(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
SendPack RD_getPrinterCustomTimeFormatPrintData(uint8_t a, uint8_t b);
SendPack RD_setPrinterCustomTimePrintOffsetData(uint8_t a, uint8_t b, uint8_t c, uint32_t d);
SendPack RD_getPrinterCustomTimePrintOffsetData(uint8_t a, uint8_t b);
// The image (4 bytes per pixel: byte 0 alpha, bytes 1-3 colour) is kept as a
// one-bit bitmap and sent by the following piece commands.
SendPack RD_getStartDownCustomPrintData(uint8_t a, uint8_t b, const uint8_t* pixels, uint32_t width, uint32_t height);
SendPack RD_getDownCustomPrintNextPackData(void);
SendPack RD_getDownCustomPrintEndPackData(void);
// Progress of the custom-print download: bitmap bytes sent and in total.
void RD_getDownCustomPrintProgress(uint32_t* sent, uint32_t* total);

}  // extern "C"
