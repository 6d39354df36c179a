// Reply analysis: the class and sub-command tables that say which report a
// reply or notice of a device printer gets, and the expected kind byte.
#include "protocol/host/reply_analysis.h"

#include <cjson/cJSON.h>

#include "protocol/host/reply_fields.h"
#include "protocol/printer_families.h"
#include "protocol/protocol_state.h"

namespace {

enum class Form : uint8_t {
    Empty,       // no report, result 1
    Text,        // {key: payload text}
    TextReport,  // the payload text is the report
    Number,      // {key: number}
    Tenths,      // {key: number / 10}
    Tagged,      // tagged list
    Custom,      // a function of its own
};

using CustomFn = uint32_t (*)(KVCmdDecodeInfo&, PayloadBytes);

struct Entry {
    uint8_t cmd;
    uint8_t sub;
    uint8_t kind;  // expected kind byte; 0 when the function checks it itself
    Form form;
    const char* key;
    CustomFn fn;
};

bool isSet(const char* text) { return text != nullptr && text[0] != '\0'; }

// Class 1 / 3: the printer's JSON description, with the canonical keys added
// when it names device, firmware, hardware and serial number.
uint32_t systemInfo(KVCmdDecodeInfo& d, PayloadBytes payload) {
    const std::string text = kvPayloadText(payload);
    JsonReport report(cJSON_ParseWithLength(text.data(), text.size()));
    cJSON* root = report.object();
    const char* name = cJSON_GetStringValue(cJSON_GetObjectItem(root, "DevName"));
    const char* firmware = cJSON_GetStringValue(cJSON_GetObjectItem(root, "Firmware"));
    const char* hardware = cJSON_GetStringValue(cJSON_GetObjectItem(root, "HWVer"));
    const char* serial = cJSON_GetStringValue(cJSON_GetObjectItem(root, "SN"));
    if (!isSet(name) || !isSet(firmware) || !isSet(hardware) || !isSet(serial)) return kvReportText(d, payload);
    const char* maker = cJSON_GetStringValue(cJSON_GetObjectItem(root, "Manufacturer"));
    const std::string values[] = {name, firmware, hardware, serial,
                                  isSet(maker) ? maker : (getODMPrinterType() == kDefaultOdmType ? "Kovali" : "")};
    report.add("devName", values[0]);
    report.add("firmware", values[1]);
    report.add("hwVer", values[2]);
    report.add("sn", values[3]);
    report.add("manufacturer", values[4]);
    return kvStoreReport(d, report);
}

uint32_t buttonState(KVCmdDecodeInfo& d, PayloadBytes p) {
    return kvReportBytes(d, p, {"btn", "btnState", "longClick", "shortClick"});
}
uint32_t buttonFunction(KVCmdDecodeInfo& d, PayloadBytes p) { return kvReportBytes(d, p, {"btnState", "btnFunction"}); }

uint32_t colourSupport(KVCmdDecodeInfo& d, PayloadBytes p) {
    if (p.size() < 6) return KV_RESULT_FAILED;
    JsonReport report;
    report.add("supportColourful", p[0] ? "1" : "0");
    report.addInt("colorR", p[1]);
    report.addInt("colorG", p[2]);
    report.addInt("colorB", p[3]);
    report.add("supportGray", p[4] ? "1" : "0");
    report.addInt("colorGray", p[5]);
    return kvStoreReport(d, report);
}

uint32_t darkness(KVCmdDecodeInfo& d, PayloadBytes p) {
    return kvReportBytes(d, p, {"coarseDarkness", "fineDarkness"});
}

uint32_t paperType(KVCmdDecodeInfo& d, PayloadBytes p) {
    if (p.size() < 3) return KV_RESULT_FAILED;
    const uint32_t length = kvLe16(&p[1]);
    JsonReport report;
    report.addInt("paperType", p[0]);
    report.add("paperLength", kvFormat("%d.%d", int(length / 10), int(length % 10)));
    return kvStoreReport(d, report);
}

uint32_t labelLearn(KVCmdDecodeInfo& d, PayloadBytes p) {
    if (p.size() < 5) return KV_RESULT_FAILED;
    JsonReport report;
    report.addInt("paperLearnState", p[0]);
    report.addInt("paperType", p[1]);
    report.addInt("paperHaveCarbonRibbon", p[2]);
    report.add("paperHeight", kvFormat("%0.1lf", int16_t(kvLe16(&p[3])) / 10.0));
    return kvStoreReport(d, report);
}

uint32_t lackPaper(KVCmdDecodeInfo& d, PayloadBytes p) {
    return kvReportBytes(d, p, {"correlationLackPaper", "reflexLackPaper", "FrontOptocouplerLackPaper"});
}

uint32_t badSpot(KVCmdDecodeInfo& d, PayloadBytes p) {
    if (p.size() < 3) return KV_RESULT_FAILED;
    JsonReport report;
    report.addInt("badSpotDetection", p[0]);
    report.addInt("badSpotNumber", kvLe16(&p[1]));
    return kvStoreReport(d, report);
}

// Image start, end and tree: acknowledged without a report.
uint32_t imageAck(KVCmdDecodeInfo& d, PayloadBytes) { return d.kind == kKindReply ? KV_RESULT_NONE : KV_RESULT_FAILED; }
// Image data: acknowledged whatever the kind byte.
uint32_t imageDataAck(KVCmdDecodeInfo&, PayloadBytes) { return KV_RESULT_NONE; }

constexpr uint8_t R = kKindReply, N = kKindNotice;

// clang-format off
constexpr Entry kEntries[] = {
    {1, 1, R, Form::Tagged, nullptr, nullptr},           {1, 2, R, Form::Empty, nullptr, nullptr},
    {1, 3, R, Form::Custom, nullptr, systemInfo},        {1, 4, R, Form::Tagged, nullptr, nullptr},
    {1, 5, R, Form::TextReport, nullptr, nullptr},       {1, 6, R, Form::Text, "sn", nullptr},
    {1, 8, R, Form::Text, "devName", nullptr},           {1, 10, R, Form::Tagged, nullptr, nullptr},
    {1, 11, R, Form::Text, "firmware", nullptr},         {1, 12, R, Form::Number, "devAutoPowerOffTime", nullptr},
    {1, 14, R, Form::Tagged, nullptr, nullptr},          {1, 15, N, Form::Tagged, nullptr, nullptr},
    {1, 16, R, Form::Tenths, "devTemp", nullptr},        {1, 17, N, Form::Tenths, "devTemp", nullptr},
    {1, 18, N, Form::Tagged, nullptr, nullptr},          {1, 19, R, Form::Tagged, nullptr, nullptr},
    {1, 31, N, Form::Tagged, nullptr, nullptr},          {1, 35, R, Form::Text, "otaPath", nullptr},
    {1, 80, R, Form::Number, "setBtnEnableState", nullptr}, {1, 81, R, Form::Custom, nullptr, buttonState},
    {1, 82, R, Form::Number, "setBtnState", nullptr},    {1, 83, R, Form::Custom, nullptr, buttonFunction},
    {1, 7, R, Form::Empty, nullptr, nullptr},  {1, 9, R, Form::Empty, nullptr, nullptr},
    {1, 13, R, Form::Empty, nullptr, nullptr}, {1, 20, R, Form::Empty, nullptr, nullptr},
    {1, 21, R, Form::Empty, nullptr, nullptr}, {1, 22, R, Form::Empty, nullptr, nullptr},
    {1, 24, R, Form::Empty, nullptr, nullptr}, {1, 25, R, Form::Empty, nullptr, nullptr},
    {3, 1, R, Form::Empty, nullptr, nullptr},  {3, 2, R, Form::Empty, nullptr, nullptr},
    {3, 3, R, Form::Empty, nullptr, nullptr},  {3, 4, R, Form::Empty, nullptr, nullptr},
    {3, 5, R, Form::Empty, nullptr, nullptr},  {3, 6, R, Form::Tagged, nullptr, nullptr},
    {3, 7, R, Form::Tagged, nullptr, nullptr}, {3, 8, N, Form::Number, "wifiWillDisconnect", nullptr},
    {4, 1, R, Form::Text, "btName", nullptr},  {4, 3, R, Form::Text, "btMac", nullptr},
    {4, 5, R, Form::Text, "btPinCode", nullptr}, {4, 7, R, Form::Number, "btUartBaudRate", nullptr},
    {4, 9, R, Form::Text, "btVer", nullptr},   {4, 12, N, Form::Number, "bluetoothWillDisconnect", nullptr},
    {4, 13, R, Form::Tagged, nullptr, nullptr}, {4, 14, R, Form::Number, "setWiFiConfig", nullptr},
    {4, 2, R, Form::Empty, nullptr, nullptr},  {4, 4, R, Form::Empty, nullptr, nullptr},
    {4, 6, R, Form::Empty, nullptr, nullptr},  {4, 8, R, Form::Empty, nullptr, nullptr},
    {4, 10, R, Form::Empty, nullptr, nullptr}, {4, 11, R, Form::Empty, nullptr, nullptr},
    {5, 1, R, Form::Custom, nullptr, colourSupport}, {5, 3, R, Form::Custom, nullptr, darkness},
    {5, 6, R, Form::Number, "printSpeed", nullptr},  {5, 15, R, Form::Tagged, nullptr, nullptr},
    {5, 16, R, Form::Custom, nullptr, paperType},    {5, 18, R, Form::Custom, nullptr, labelLearn},
    {5, 20, R, Form::Custom, nullptr, lackPaper},    {5, 21, R, Form::Custom, nullptr, badSpot},
    {5, 23, R, Form::Tenths, "printMileage", nullptr}, {5, 28, R, Form::Tenths, "fallbackLength", nullptr},
    {5, 29, N, Form::Number, "paperType", nullptr},  {5, 30, R, Form::Number, "ADValue", nullptr},
    {5, 31, N, Form::Number, "printTaskState", nullptr}, {5, 32, R, Form::Number, "printerBusyState", nullptr},
    {5, 36, R, Form::Number, "getManualCuttingAlert", nullptr},
    {5, 37, R, Form::Number, "setManualCuttingAlert", nullptr},
    {5, 11, 0, Form::Custom, nullptr, imageAck},     {5, 12, 0, Form::Custom, nullptr, imageAck},
    {5, 14, 0, Form::Custom, nullptr, imageAck},     {5, 13, 0, Form::Custom, nullptr, imageDataAck},
    {5, 4, R, Form::Empty, nullptr, nullptr},  {5, 7, R, Form::Empty, nullptr, nullptr},
    {5, 8, R, Form::Empty, nullptr, nullptr},  {5, 9, R, Form::Empty, nullptr, nullptr},
    {5, 10, R, Form::Empty, nullptr, nullptr}, {5, 17, R, Form::Empty, nullptr, nullptr},
    {5, 19, R, Form::Empty, nullptr, nullptr}, {5, 24, R, Form::Empty, nullptr, nullptr},
    {5, 25, R, Form::Empty, nullptr, nullptr}, {5, 26, R, Form::Empty, nullptr, nullptr},
    {5, 27, R, Form::Empty, nullptr, nullptr}, {5, 35, R, Form::Empty, nullptr, nullptr},
    {7, 1, N, Form::Tagged, nullptr, nullptr}, {7, 2, R, Form::Tagged, nullptr, nullptr},
};
// clang-format on

const Entry* findEntry(uint8_t cmd, uint8_t sub) {
    for (const Entry& e : kEntries)
        if (e.cmd == cmd && e.sub == sub) return &e;
    return nullptr;
}

uint32_t runEntry(const Entry& e, KVCmdDecodeInfo& d, PayloadBytes payload) {
    if (e.kind != 0 && d.kind != e.kind) return KV_RESULT_FAILED;
    switch (e.form) {
        case Form::Empty: return KV_RESULT_OK;
        case Form::Text: return kvReportTextKey(d, payload, e.key);
        case Form::TextReport: return kvReportText(d, payload);
        case Form::Number: return kvReportNumber(d, payload, e.key, false);
        case Form::Tenths: return kvReportNumber(d, payload, e.key, true);
        case Form::Tagged: return kvReportTagged(d, payload, kvTagTable(e.cmd, e.sub));
        case Form::Custom: return e.fn(d, payload);
    }
    return KV_RESULT_UNKNOWN;
}

}  // namespace

extern "C" uint32_t analysisPack(void) {
    KVCmdDecodeInfo& d = gstKVCmdDecodeInfo;
    kvClearReport(d);
    const Entry* entry = findEntry(d.cmd, d.subCmd);
    // Class 2 has its own download reports for sub-commands 1 to 3; any other
    // sub-command is unknown, whatever shape its payload has.
    const bool download = d.cmd == 2 && d.subCmd >= 1 && d.subCmd <= 3;
    if (entry == nullptr && !download) {
        return getODMPrinterType() == kOdmRawRows ? analysisPack_RD(&d) : KV_RESULT_UNKNOWN;
    }
    auto payload = kvHandedPayload(d);
    if (!payload) return KV_RESULT_FAILED;
    if (download) return kvReportDownload(d, *payload);
    const uint32_t result = runEntry(*entry, d, *payload);
    if (result == KV_RESULT_OK && d.cmd == 1) kvCacheReport(d);
    return result;
}
