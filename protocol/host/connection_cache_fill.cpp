// Connection set-up: the printer information that class 1 replies report is
// kept in the protocol's connection cache, where the print path and the
// download builders read it (print width, download piece size).
#include <cjson/cJSON.h>

#include <cstdlib>
#include <cstring>

#include "protocol/host/reply_fields.h"
#include "protocol/protocol_state.h"

namespace {

// Frame overhead of one download piece: frame header, CRC, piece header and
// up to 16 bytes of cipher padding.
constexpr uint32_t kPieceOverhead = 40;

char* cacheField(KVConnectionCache& c, const char* key) {
    struct Field {
        const char* key;
        char* text;
    };
    const Field fields[] = {
        {"devName", c.devNameStr},
        {"firmware", c.firmwareStr},
        {"hwVer", c.hwVerStr},
        {"sn", c.snStr},
        {"manufacturer", c.manufacturerStr},
        {"devProdType", c.devProdTypeStr},
        {"supportPaperSize", c.supportPaperSizeStr},
        {"dpi", c.dpiStr},
        {"widthMaxDot", c.widthMaxDotStr},
        {"batteryVoltage", c.batteryVoltageStr},
        {"batteryPercent", c.batteryPercentStr},
        {"batteryState", c.batteryStateStr},
    };
    for (const Field& f : fields)
        if (std::strcmp(f.key, key) == 0) return f.text;
    return nullptr;
}

void cacheValue(KVConnectionCache& c, const char* key, const char* value) {
    const uint32_t number = uint32_t(std::strtoul(value, nullptr, 10));
    if (std::strcmp(key, "pVer") == 0)
        c.pVer = number;
    else if (std::strcmp(key, "pAlgo") == 0)
        c.pAlgo = number;
    else if (std::strcmp(key, "pBuffLength") == 0) {
        setDownFileOnePackage(number > kPieceOverhead ? number - kPieceOverhead : 0);
    } else if (char* text = cacheField(c, key)) {
        std::strncpy(text, value, sizeof c.devNameStr - 1);
        text[sizeof c.devNameStr - 1] = '\0';
    }
}

}  // namespace

void kvCacheReport(const KVCmdDecodeInfo& info) {
    cJSON* root = cJSON_Parse(info.report);
    if (root == nullptr) return;
    KVConnectionCache& cache = *kvConnectionCache();
    for (cJSON* item = root->child; item != nullptr; item = item->next) {
        const char* value = cJSON_GetStringValue(item);
        if (item->string != nullptr && value != nullptr) cacheValue(cache, item->string, value);
    }
    cJSON_Delete(root);
}
