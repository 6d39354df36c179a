// kvproto build: the frame of any command of the vocabulary (and of the
// second packet family) as hex, with its arguments from the command line.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "protocol/command_builders.h"
#include "protocol/host/connection_start.h"
#include "protocol/host/kvsz_protocol.h"
#include "protocol/send_pack.h"
#include "tools/kvproto/kvproto.h"

namespace {

struct Command {
    const char* name;
    const char* args;  // one letter per argument: b u8, w u16, d u32, s text
    SendPack (*build)(const ToolArgs&);
};

uint8_t b(const ToolArgs& a, size_t i) { return uint8_t(parseNumber(a[i], 0xFF, "byte argument")); }
uint16_t w(const ToolArgs& a, size_t i) { return uint16_t(parseNumber(a[i], 0xFFFF, "16-bit argument")); }
uint32_t d(const ToolArgs& a, size_t i) { return uint32_t(parseNumber(a[i], 0xFFFFFFFFul, "32-bit argument")); }
const char* s(const ToolArgs& a, size_t i) { return a[i].c_str(); }

// clang-format off
#define C0(f) {#f, "", [](const ToolArgs&) { return f(); }}
#define C(f, usage, ...) {#f, usage, [](const ToolArgs& a) { return f(__VA_ARGS__); }}

const Command kCommands[] = {
    C0(getProtocolData), C0(getPrinterInfoSystemData), C0(getPrinterInfoProductData), C0(getPrinterInfoMaxPxData),
    C0(getPrinterInfoSNData), C0(getPrinterInfoNameData), C0(getPrinterInfoHardwareData),
    C0(getPrinterInfoSoftwareData), C0(getPrinterInfoShutdownTimeData), C(setPrinterInfoShutdownTimeData, "w", w(a, 0)),
    C0(getPrinterInfoBatteryData), C0(getPrinterInfoTEMPData), C0(getPrinterInfoStateData), C0(setPrinterInfoResetData),
    C0(setPrinterInfoSleepData), C0(setPrinterInfoShutdownData), C0(setPrinterInfoRestoreFactorySettingsData),
    C(setPrinterInfoUTCData, "d", d(a, 0)), C0(getPrinterInfoOTAPathData),
    C(setPrinterInfoButtonEnableData, "bbb", b(a, 0), b(a, 1), b(a, 2)), C(getPrinterInfoButtonEnableData, "b", b(a, 0)),
    C(setPrinterInfoButtonData, "bbbw", b(a, 0), b(a, 1), b(a, 2), w(a, 3)),
    C(getPrinterInfoButtonData, "bbb", b(a, 0), b(a, 1), b(a, 2)), C0(getDownFileEnd),
    C0(getPrinterWiFiListData), C(setPrinterWiFiConfigData, "ss", s(a, 0), s(a, 1)), C0(getPrinterWiFiStateData),
    C(setPrinterWiFiMacData, "s", s(a, 0)), C0(getPrinterWiFiFWVersionData), C0(getPrinterWiFiConfigData),
    C0(getPrinterWiFiInfoData), C0(getPrinterBleNameData), C(setPrinterBleNameData, "s", s(a, 0)),
    C0(getPrinterBleMacData), C0(getPrinterBlePinCodeData), C0(getPrinterBleUartRateData), C0(getPrinterBleVersionData),
    C0(getPrinterBleStateData), C(setPrinterWiFiCFGData, "ss", s(a, 0), s(a, 1)), C0(getPrinterPrintColorSupportData),
    C0(getPrinterPrintDarknessData), C(setPrinterPrintDarknessData, "s", s(a, 0)), C0(getPrinterPrintSpeedData),
    C(setPrinterPrintSpeedData, "b", b(a, 0)), C(setPrinterPrintFeedData, "s", s(a, 0)), C0(setPrinterPrintSelfTestData),
    C(setPrinterPrintQRcodeData, "b", b(a, 0)), C0(getPrinterPrintTPHModelData), C0(getPrinterPrintPaperTypeData),
    C(setPrinterPrintPaperTypeData, "b", b(a, 0)), C0(setPrinterPrintLabelLearnData),
    C0(setPrinterPrintLackPaperLearnData), C0(getPrinterPrintLackPaperData), C0(getPrinterPrintBadSpotDetectionData),
    C0(getPrinterPrintMileageData), C0(setPrinterPrintClearMileageData), C(setPrinterPrintActionData, "b", b(a, 0)),
    C(setPrinterPrintFallbackData, "w", w(a, 0)), C0(getPrinterPrintFallbackData), C0(getPrinterPrintADData),
    C0(getPrinterPrinterBusyStateData), C(setPrinterPrintSilentModelData, "b", b(a, 0)),
    C0(getPrinterPrintManualCuttingAlertData), C(setPrinterPrintManualCuttingAlertData, "b", b(a, 0)),
    C0(getPrinterNFCInfoData), C(RD_setPrinterCustomOfflinePrintEnableData, "b", b(a, 0)),
    C0(RD_getPrinterCustomOfflinePrintEnableData),
    C(RD_setPrinterCustomCustomPrintEnableData, "bbb", b(a, 0), b(a, 1), b(a, 2)),
    C(RD_getPrinterCustomCustomPrintEnableData, "bb", b(a, 0), b(a, 1)),
    C(RD_setPrinterCustomTimeFormatPrintData, "bbbb", b(a, 0), b(a, 1), b(a, 2), b(a, 3)),
    C(RD_getPrinterCustomTimeFormatPrintData, "bb", b(a, 0), b(a, 1)),
    C(RD_setPrinterCustomTimePrintOffsetData, "bbbd", b(a, 0), b(a, 1), b(a, 2), d(a, 3)),
    C(RD_getPrinterCustomTimePrintOffsetData, "bb", b(a, 0), b(a, 1)), C0(RD_getDownCustomPrintEndPackData),
    C0(KVSZ_Get_PrinterInfoData), C(KVSZ_Set_PrinterWiFi, "ss", s(a, 0), s(a, 1)),
};
// clang-format on

const char* argNames(const char* usage) {
    static std::string text;
    text.clear();
    for (const char* p = usage; *p; ++p) text += *p == 'b' ? " U8" : *p == 'w' ? " U16" : *p == 'd' ? " U32" : " TEXT";
    return text.c_str();
}

// Prints the pack as hex and frees it; false for the empty pack.
bool printPack(SendPack pack) {
    SendPackPtr owned(pack);
    if (owned.empty()) return false;
    std::string line;
    line.reserve(owned.length() * 3);
    static const char* digits = "0123456789ABCDEF";
    for (uint8_t byte : owned.bytes()) {
        if (!line.empty()) line += ' ';
        line += digits[byte >> 4];
        line += digits[byte & 15];
    }
    std::printf("%s\n", line.c_str());
    return true;
}

// A whole file download: start, every piece, end.
int buildDownload(const ToolArgs& a) {
    if (a.size() < 3 || a.size() > 4) throw UsageError("download needs TYPE NAME FILE [OFFSET]");
    std::ifstream in(a[2], std::ios::binary);
    if (!in) throw std::runtime_error("cannot read \"" + a[2] + "\"");
    const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), {}};
    const uint32_t offset = a.size() == 4 ? d(a, 3) : 0;
    // The end command's bytes (deterministic, also when encrypted) mark the
    // last line; building it now also clears any earlier download.
    SendPackPtr endFrame(getDownFileEnd());
    const std::vector<uint8_t> end(endFrame.bytes().begin(), endFrame.bytes().end());
    if (!printPack(getStartDownFileData(w(a, 0), a[1].c_str(), data.data(), uint32_t(data.size()), offset)))
        throw std::runtime_error("no download start command for this file type, file or printer family");
    for (size_t piece = 0; piece <= data.size() + 1; ++piece) {
        SendPackPtr pack(getDownFileNextPackData());
        if (pack.empty()) throw std::runtime_error("a download piece could not be built");
        const bool last = std::equal(pack.bytes().begin(), pack.bytes().end(), end.begin(), end.end());
        printPack(pack.release());
        if (last) break;
    }
    return 0;
}

}  // namespace

int runList() {
    for (const Command& c : kCommands) std::printf("%s%s\n", c.name, argNames(c.args));
    std::printf("download TYPE NAME FILE [OFFSET]\n");
    return 0;
}

int runBuild(const ToolArgs& args) {
    if (args.empty()) throw UsageError("build needs a command (kvproto list shows them)");
    const ToolArgs rest(args.begin() + 1, args.end());
    if (args[0] == "download") return buildDownload(rest);
    for (const Command& c : kCommands) {
        if (args[0] != c.name) continue;
        if (rest.size() != std::char_traits<char>::length(c.args))
            throw UsageError(std::string(c.name) + " takes" + (c.args[0] ? argNames(c.args) : " no arguments"));
        if (!printPack(c.build(rest))) {
            std::fprintf(stderr, "kvproto: %s rejects these arguments (no command)\n", c.name);
            return 1;
        }
        return 0;
    }
    throw UsageError("unknown command \"" + args[0] + "\" (kvproto list shows them)");
}
