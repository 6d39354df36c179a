// Reply analysis of class 8, the custom offline printing of printer family
// 30: enable states, button and time-print settings, and the custom-print
// download.
#include "protocol/host/reply_analysis.h"
#include "protocol/host/reply_fields.h"

namespace {

uint32_t offsetSetting(KVCmdDecodeInfo& d, PayloadBytes p) {
    if (p.size() < 7) return KV_RESULT_FAILED;
    JsonReport report;
    report.addInt("btn", p[0]);
    report.addInt("clickType", p[1]);
    report.addInt("offsetSign", p[2]);
    report.add("offsetValue", kvFormat("%d", int32_t(kvLe32(&p[3]))));
    return kvStoreReport(d, report);
}

uint32_t settings(KVCmdDecodeInfo& d, PayloadBytes p) {
    switch (d.subCmd) {
        case 1: return kvReportNumber(d, p, "setOfflinePrintEnableState", false);
        case 2: return kvReportNumber(d, p, "getOfflinePrintEnableState", false);
        case 3: return kvReportNumber(d, p, "setCustomPrintEnableState", false);
        case 4: return kvReportBytes(d, p, {"btn", "clickType", "getCustomPrintEnableState"});
        case 5: return kvReportNumber(d, p, "setTimeFormatPrintState", false);
        case 6: return kvReportBytes(d, p, {"btn", "clickType", "timeAccuracy", "timeSeparation"});
        case 7: return kvReportNumber(d, p, "setTimePrintOffsetState", false);
        case 8: return offsetSetting(d, p);
        default: return KV_RESULT_UNKNOWN;
    }
}

}  // namespace

extern "C" uint32_t analysisPack_RD(KVCmdDecodeInfo* info) {
    if (info == nullptr || info->cmd != 8) return KV_RESULT_UNKNOWN;
    KVCmdDecodeInfo& d = *info;
    kvClearReport(d);
    if (d.subCmd < 1 || d.subCmd > 11) return KV_RESULT_UNKNOWN;
    auto payload = kvHandedPayload(d);
    if (!payload) return KV_RESULT_FAILED;
    if (d.subCmd >= 9) return kvReportCustomPrint(d, *payload);
    if (d.kind != kKindReply) return KV_RESULT_FAILED;
    return settings(d, *payload);
}
