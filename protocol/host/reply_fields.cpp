// The report forms of the reply analysis (text, number, fixed bytes, tagged
// list) and the public report helpers built on them.
#include "protocol/host/reply_fields.h"

#include <cstring>

#include "protocol/host/reply_analysis.h"

std::optional<PayloadBytes> kvHandedPayload(const KVCmdDecodeInfo& info) {
    if (info.bodyLength > KV_DECODE_BODY_MAX || uint32_t(info.payloadLength) + 5 > info.bodyLength) return std::nullopt;
    return PayloadBytes(info.body, info.payloadLength);
}

uint32_t kvStoreReport(KVCmdDecodeInfo& info, const JsonReport& report) {
    return report.store(info.report, sizeof info.report) ? KV_RESULT_OK : KV_RESULT_FAILED;
}

void kvClearReport(KVCmdDecodeInfo& info) { std::memset(info.report, 0, sizeof info.report); }

uint32_t kvReportText(KVCmdDecodeInfo& info, PayloadBytes payload) {
    return kvStoreText(info.report, sizeof info.report, kvPayloadText(payload)) ? KV_RESULT_OK : KV_RESULT_FAILED;
}

uint32_t kvReportTextKey(KVCmdDecodeInfo& info, PayloadBytes payload, const char* key) {
    JsonReport report;
    report.add(key, kvPayloadText(payload));
    return kvStoreReport(info, report);
}

uint32_t kvReportNumber(KVCmdDecodeInfo& info, PayloadBytes payload, const char* key, bool tenths) {
    uint32_t value = 0;
    if (!kvReadNumber(payload, payload.size() & 0xFF, &value)) return KV_RESULT_FAILED;
    JsonReport report;
    report.add(key, tenths ? kvFormat("%0.1lf", value / 10.0) : kvFormat("%d", int32_t(value)));
    return kvStoreReport(info, report);
}

uint32_t kvReportBytes(KVCmdDecodeInfo& info, PayloadBytes payload, std::initializer_list<const char*> keys) {
    if (payload.size() < keys.size()) return KV_RESULT_FAILED;
    JsonReport report;
    size_t i = 0;
    for (const char* key : keys) report.addInt(key, payload[i++]);
    return kvStoreReport(info, report);
}

namespace {

// One value of a tagged list as text; false when the value can't be read.
bool tagValue(TagForm form, PayloadBytes v, std::string* out) {
    uint32_t n = 0;
    switch (form) {
        case TagForm::Text: *out = kvPayloadText(v); return true;
        case TagForm::Address:
            if (v.size() < 4) return false;
            *out = kvFormat("%d.%d.%d.%d", v[0], v[1], v[2], v[3]);
            return true;
        case TagForm::Mac:
            if (v.size() < 6) return false;
            *out = kvFormat("%x:%x:%x:%x:%x:%x", v[0], v[1], v[2], v[3], v[4], v[5]);
            return true;
        case TagForm::Number:
        case TagForm::Hundredths:
        case TagForm::Tenths: break;
    }
    if (!kvReadNumber(v, uint32_t(v.size()), &n)) return false;  // longer than four bytes
    if (form == TagForm::Hundredths)
        *out = kvFormat("%0.2lf", n / 100.0);
    else if (form == TagForm::Tenths)
        *out = kvFormat("%0.1lf", n / 10.0);
    else
        *out = kvFormat("%d", int32_t(n));
    return true;
}

const TagKey* findTag(std::span<const TagKey> tags, uint8_t tag) {
    for (const TagKey& t : tags)
        if (t.tag == tag) return &t;
    return nullptr;
}

}  // namespace

uint32_t kvReportTagged(KVCmdDecodeInfo& info, PayloadBytes payload, std::span<const TagKey> tags) {
    JsonReport report;
    size_t at = 0;
    while (at < payload.size()) {
        if (payload.size() - at < 3) return KV_RESULT_FAILED;  // ends inside tag or length
        const uint8_t tag = payload[at];
        const size_t length = kvLe16(&payload[at + 1]);
        at += 3;
        if (length > payload.size() - at) return KV_RESULT_FAILED;  // value runs past the payload
        const TagKey* key = findTag(tags, tag);
        std::string text;
        if (key != nullptr) {
            if (!tagValue(key->form, payload.subspan(at, length), &text)) return KV_RESULT_FAILED;
            report.add(key->key, text);
        }
        at += length;
    }
    return kvStoreReport(info, report);
}

extern "C" {

uint32_t analysisDatas(const uint8_t* payload, uint32_t length) {
    KVCmdDecodeInfo& d = gstKVCmdDecodeInfo;
    kvClearReport(d);
    if (payload == nullptr && length != 0) return KV_RESULT_FAILED;
    return kvReportTagged(d, PayloadBytes(payload, length), kvTagTable(d.cmd, d.subCmd));
}

uint32_t jsonStrCopy(void) {
    auto payload = kvHandedPayload(gstKVCmdDecodeInfo);
    if (!payload) return KV_RESULT_FAILED;
    return kvReportText(gstKVCmdDecodeInfo, *payload);
}

uint32_t setJsonStrKey(const char* key) {
    auto payload = kvHandedPayload(gstKVCmdDecodeInfo);
    if (!payload || key == nullptr) return KV_RESULT_FAILED;
    return kvReportTextKey(gstKVCmdDecodeInfo, *payload, key);
}

uint32_t setJsonStrKeyValue(const char* key, const char* value) {
    if (key == nullptr) return KV_RESULT_FAILED;
    JsonReport report;
    report.add(key, value ? value : "");
    return kvStoreReport(gstKVCmdDecodeInfo, report);
}

uint32_t setJsonIntValueWithKey(const char* key, uint8_t byteCount, uint32_t tenths) {
    auto payload = kvHandedPayload(gstKVCmdDecodeInfo);
    if (!payload || key == nullptr || byteCount > payload->size()) return KV_RESULT_FAILED;
    return kvReportNumber(gstKVCmdDecodeInfo, payload->first(byteCount), key, tenths != 0);
}

void setJsonEmpty(void) { kvClearReport(gstKVCmdDecodeInfo); }

}  // extern "C"
