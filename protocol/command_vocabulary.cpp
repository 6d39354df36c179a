// The fixed-payload builders of the command vocabulary (printer information
// and power, WiFi, Bluetooth, printing, NFC, custom offline printing) and the
// module's settings. (The connection start is in protocol/host/.)
#include <cstring>

#include "protocol/command_builders.h"
#include "protocol/command_payload.h"
#include "protocol/frame.h"
#include "protocol/printer_families.h"
#include "protocol/protocol_state.h"

namespace {

uint8_t lo(uint32_t v) { return static_cast<uint8_t>(v); }
uint8_t hi(uint32_t v) { return static_cast<uint8_t>(v >> 8); }

// 01, ssid length, ssid, 02, password length, password, 00.
SendPack wifiConfig(uint8_t cmd, uint8_t subCmd, const char* ssid, const char* password) {
    if (ssid == nullptr) return kvGetEmptyProtocolPack();
    if (password == nullptr) password = "";
    const size_t ssidLength = std::strlen(ssid), passwordLength = std::strlen(password);
    if (ssidLength > 0xFFFF || passwordLength > 0xFFFF) return kvGetEmptyProtocolPack();
    PayloadWriter payload;
    payload.u8(1).u16(static_cast<uint32_t>(ssidLength)).raw(reinterpret_cast<const uint8_t*>(ssid), ssidLength);
    payload.u8(2).u16(static_cast<uint32_t>(passwordLength));
    payload.raw(reinterpret_cast<const uint8_t*>(password), passwordLength).u8(0);
    return kvBuildCommand(cmd, subCmd, payload.bytes);
}

}  // namespace

extern "C" {

uint8_t imgThresholdValue = kDefaultImageThreshold;

uint8_t getEncryptType(void) { return getODMPrinterType() == kOdmEncrypted ? 2 : 0; }
void setODMType(uint32_t type) { setODMPrinterType(type); }
void setThreshold(uint8_t value) { imgThresholdValue = value; }
int32_t getMaxWidthDot(void) { return getMaxWidthDot_l(); }

SendPack getPrinterInfoSystemData(void) { return kvCommandBytes(1, 3); }
SendPack getPrinterInfoProductData(void) { return kvCommandBytes(1, 4); }
SendPack getPrinterInfoMaxPxData(void) { return kvCommandBytes(1, 5); }
SendPack getPrinterInfoSNData(void) { return kvCommandBytes(1, 6); }
SendPack getPrinterInfoNameData(void) { return kvCommandBytes(1, 8); }
SendPack getPrinterInfoHardwareData(void) { return kvCommandBytes(1, 10); }
SendPack getPrinterInfoSoftwareData(void) { return kvCommandBytes(1, 11); }
SendPack getPrinterInfoShutdownTimeData(void) { return kvCommandBytes(1, 12); }
SendPack setPrinterInfoShutdownTimeData(uint16_t value) { return kvCommandBytes(1, 13, {lo(value), hi(value)}); }
SendPack getPrinterInfoBatteryData(void) { return kvCommandBytes(1, 14); }
SendPack getPrinterInfoTEMPData(void) { return kvCommandBytes(1, 16); }
SendPack getPrinterInfoStateData(void) { return kvCommandBytes(1, 19); }
SendPack setPrinterInfoResetData(void) { return kvCommandBytes(1, 20); }
SendPack setPrinterInfoSleepData(void) { return kvCommandBytes(1, 21); }
SendPack setPrinterInfoShutdownData(void) { return kvCommandBytes(1, 22); }
SendPack setPrinterInfoRestoreFactorySettingsData(void) { return kvCommandBytes(1, 24); }
SendPack setPrinterInfoUTCData(uint32_t time) {
    return kvCommandBytes(1, 25, {lo(time), hi(time), lo(time >> 16), hi(time >> 16)});
}
SendPack getPrinterInfoOTAPathData(void) { return kvCommandBytes(1, 35); }
SendPack setPrinterInfoButtonEnableData(uint8_t a, uint8_t b, uint8_t c) { return kvCommandBytes(1, 80, {a, b, c}); }
SendPack getPrinterInfoButtonEnableData(uint8_t a) { return kvCommandBytes(1, 81, {a}); }
SendPack setPrinterInfoButtonData(uint8_t a, uint8_t b, uint8_t c, uint16_t d) {
    return kvCommandBytes(1, 82, {a, b, c, lo(d), hi(d)});
}
SendPack getPrinterInfoButtonData(uint8_t a, uint8_t b, uint8_t c) { return kvCommandBytes(1, 83, {a, b, c}); }

SendPack getPrinterWiFiListData(void) { return kvCommandBytes(3, 1); }
SendPack setPrinterWiFiConfigData(const char* ssid, const char* password) { return wifiConfig(3, 2, ssid, password); }
SendPack getPrinterWiFiStateData(void) { return kvCommandBytes(3, 3); }
SendPack getPrinterWiFiFWVersionData(void) { return kvCommandBytes(3, 5); }
SendPack getPrinterWiFiConfigData(void) { return kvCommandBytes(3, 6); }
SendPack getPrinterWiFiInfoData(void) { return kvCommandBytes(3, 7); }

SendPack getPrinterBleNameData(void) { return kvCommandBytes(4, 1); }
SendPack setPrinterBleNameData(const char* name) {
    // The printer holds names of up to 32 bytes; an empty name is sent as an
    // empty payload like any other short name.
    if (name == nullptr) return kvGetEmptyProtocolPack();
    const size_t length = std::strlen(name);
    if (length >= 33) return kvGetEmptyProtocolPack();
    return kvBuildCommand(4, 2, {reinterpret_cast<const uint8_t*>(name), length});
}
SendPack getPrinterBleMacData(void) { return kvCommandBytes(4, 3); }
SendPack getPrinterBlePinCodeData(void) { return kvCommandBytes(4, 5); }
SendPack getPrinterBleUartRateData(void) { return kvCommandBytes(4, 7); }
SendPack getPrinterBleVersionData(void) { return kvCommandBytes(4, 9); }
SendPack getPrinterBleStateData(void) { return kvCommandBytes(4, 13); }
SendPack setPrinterWiFiCFGData(const char* ssid, const char* password) { return wifiConfig(4, 14, ssid, password); }

SendPack getPrinterPrintColorSupportData(void) { return kvCommandBytes(5, 1); }
SendPack getPrinterPrintDarknessData(void) { return kvCommandBytes(5, 3); }
SendPack getPrinterPrintSpeedData(void) { return kvCommandBytes(5, 6); }
SendPack setPrinterPrintSpeedData(uint8_t speed) { return kvCommandBytes(5, 7, {speed}); }
SendPack setPrinterPrintSelfTestData(void) { return kvCommandBytes(5, 9); }
SendPack setPrinterPrintQRcodeData(uint8_t value) { return kvCommandBytes(5, 10, {value}); }
SendPack getPrinterPrintTPHModelData(void) { return kvCommandBytes(5, 15); }
SendPack getPrinterPrintPaperTypeData(void) { return kvCommandBytes(5, 16); }
SendPack setPrinterPrintPaperTypeData(uint8_t type) {
    return type <= 2 ? kvCommandBytes(5, 17, {type}) : kvGetEmptyProtocolPack();
}
SendPack setPrinterPrintLabelLearnData(void) { return kvCommandBytes(5, 18); }
SendPack setPrinterPrintLackPaperLearnData(void) { return kvCommandBytes(5, 19); }
SendPack getPrinterPrintLackPaperData(void) { return kvCommandBytes(5, 20); }
SendPack getPrinterPrintBadSpotDetectionData(void) { return kvCommandBytes(5, 21); }
SendPack getPrinterPrintMileageData(void) { return kvCommandBytes(5, 23); }
SendPack setPrinterPrintClearMileageData(void) { return kvCommandBytes(5, 24); }
SendPack setPrinterPrintActionData(uint8_t action) {
    return action >= 1 && action <= 3 ? kvCommandBytes(5, 26, {action}) : kvGetEmptyProtocolPack();
}
SendPack setPrinterPrintFallbackData(uint16_t value) { return kvCommandBytes(5, 27, {lo(value), hi(value)}); }
SendPack getPrinterPrintFallbackData(void) { return kvCommandBytes(5, 28); }
SendPack getPrinterPrintADData(void) { return kvCommandBytes(5, 30); }
SendPack getPrinterPrinterBusyStateData(void) { return kvCommandBytes(5, 32); }
SendPack setPrinterPrintSilentModelData(uint8_t value) { return kvCommandBytes(5, 35, {value}); }
SendPack getPrinterPrintManualCuttingAlertData(void) { return kvCommandBytes(5, 36); }
SendPack setPrinterPrintManualCuttingAlertData(uint8_t value) { return kvCommandBytes(5, 37, {value}); }

SendPack getPrinterNFCInfoData(void) { return kvCommandBytes(7, 2); }

SendPack RD_setPrinterCustomOfflinePrintEnableData(uint8_t value) { return kvCommandBytes(8, 1, {value}); }
SendPack RD_getPrinterCustomOfflinePrintEnableData(void) { return kvCommandBytes(8, 2); }
SendPack RD_setPrinterCustomCustomPrintEnableData(uint8_t a, uint8_t b, uint8_t c) {
    return kvCommandBytes(8, 3, {a, b, c});
}
SendPack RD_getPrinterCustomCustomPrintEnableData(uint8_t a, uint8_t b) { return kvCommandBytes(8, 4, {a, b}); }
SendPack RD_setPrinterCustomTimeFormatPrintData(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return kvCommandBytes(8, 5, {a, b, c, d});
}
SendPack RD_getPrinterCustomTimeFormatPrintData(uint8_t a, uint8_t b) { return kvCommandBytes(8, 6, {a, b}); }
SendPack RD_setPrinterCustomTimePrintOffsetData(uint8_t a, uint8_t b, uint8_t c, uint32_t d) {
    return kvCommandBytes(8, 7, {a, b, c, lo(d), hi(d), lo(d >> 16), hi(d >> 16)});
}
SendPack RD_getPrinterCustomTimePrintOffsetData(uint8_t a, uint8_t b) { return kvCommandBytes(8, 8, {a, b}); }

}  // extern "C"
