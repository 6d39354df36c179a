// Tag tables of the tagged-list replies: which tag of which class and
// sub-command carries which report key, and how its value is shown.
#include <array>

#include "protocol/host/reply_fields.h"

namespace {

using F = TagForm;

constexpr TagKey kProtocol[] = {{1, "pVer", F::Number}, {2, "pAlgo", F::Number}, {3, "pBuffLength", F::Number}};
constexpr TagKey kProduct[] = {{1, "devProdType", F::Number},
                               {2, "supportPaperSize", F::Number},
                               {3, "dpi", F::Number},
                               {4, "widthMaxDot", F::Number}};
constexpr TagKey kHardware[] = {
    {1, "hwVer", F::Text}, {2, "mcuChip", F::Text}, {3, "powerMode", F::Number}, {4, "powerVoltage", F::Number}};
constexpr TagKey kBattery[] = {
    {1, "batteryVoltage", F::Hundredths}, {2, "batteryPercent", F::Tenths}, {3, "batteryState", F::Number}};
constexpr TagKey kPrintState[] = {{1, "printStatus", F::Number}, {2, "batteryPowerStatus", F::Number}};
constexpr TagKey kBuffer[] = {{1, "devBuff", F::Number}, {2, "printStatus", F::Number}};
constexpr TagKey kWifiConfig[] = {{1, "ssid", F::Text}, {2, "pwd", F::Text}};
constexpr TagKey kWifiInfo[] = {{1, "ip", F::Address},      {2, "mac", F::Mac},     {3, "netmask", F::Address},
                                {4, "gateway", F::Address}, {5, "port", F::Number}, {6, "DHCP", F::Number}};
constexpr TagKey kBleState[] = {{1, "bleConnectState", F::Number}, {2, "bleCommunicationEnable", F::Number}};
constexpr TagKey kTph[] = {{1, "tphFactory", F::Number}, {2, "tphModel", F::Text}};
constexpr TagKey kNfc[] = {{1, "NFCStatus", F::Number}, {2, "NFCCode", F::Text}, {3, "NFCMileage", F::Number}};

struct TableOf {
    uint8_t cmd;
    uint8_t sub;
    std::span<const TagKey> tags;
};

constexpr TableOf kTables[] = {
    {1, 1, kProtocol},    {1, 4, kProduct},     {1, 10, kHardware}, {1, 14, kBattery},   {1, 15, kBattery},
    {1, 18, kPrintState}, {1, 19, kPrintState}, {1, 31, kBuffer},   {3, 6, kWifiConfig}, {3, 7, kWifiInfo},
    {4, 13, kBleState},   {5, 15, kTph},        {7, 1, kNfc},       {7, 2, kNfc},
};

}  // namespace

std::span<const TagKey> kvTagTable(uint8_t cmd, uint8_t subCmd) {
    for (const TableOf& t : kTables)
        if (t.cmd == cmd && t.sub == subCmd) return t.tags;
    return {};
}
