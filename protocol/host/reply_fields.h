// Internal building blocks of the reply analysis: the payload a handed-over
// frame carries, and the report forms (text, number, fixed bytes, tagged
// list) that the class tables are made of. Each writes the report field of
// the decoder record and returns a result code.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>

#include "protocol/host/reply_decoder.h"
#include "protocol/host/report_writer.h"

using PayloadBytes = std::span<const uint8_t>;

// Kind bytes: printer replies, and notices the printer sends by itself.
inline constexpr uint8_t kKindReply = 0x21;
inline constexpr uint8_t kKindNotice = 0x10;

// The payload of the handed-over frame; nothing when the frame's payload
// length claims more than its body holds.
std::optional<PayloadBytes> kvHandedPayload(const KVCmdDecodeInfo& info);

// How a tagged-list value is shown.
enum class TagForm : uint8_t {
    Number,      // little-endian integer of up to four bytes, "%d"
    Text,        // string of the value's length
    Hundredths,  // number / 100, "%0.2lf"
    Tenths,      // number / 10, "%0.1lf"
    Address,     // four bytes, "%d.%d.%d.%d"
    Mac,         // six bytes, "%x:%x:%x:%x:%x:%x"
};

struct TagKey {
    uint8_t tag;
    const char* key;
    TagForm form;
};

// Stores the report; 1, or 2 (report emptied) when it does not fit.
uint32_t kvStoreReport(KVCmdDecodeInfo& info, const JsonReport& report);
// Empties the report.
void kvClearReport(KVCmdDecodeInfo& info);

uint32_t kvReportText(KVCmdDecodeInfo& info, PayloadBytes payload);                      // payload text is the report
uint32_t kvReportTextKey(KVCmdDecodeInfo& info, PayloadBytes payload, const char* key);  // {key: text}
// {key: number of the first (payload length & 0xFF) bytes}, tenths "%0.1lf".
uint32_t kvReportNumber(KVCmdDecodeInfo& info, PayloadBytes payload, const char* key, bool tenths);
// {keys[i]: byte i}; 2 when the payload is shorter than the keys.
uint32_t kvReportBytes(KVCmdDecodeInfo& info, PayloadBytes payload, std::initializer_list<const char*> keys);
// Tagged list with the key table; unnamed tags are skipped.
uint32_t kvReportTagged(KVCmdDecodeInfo& info, PayloadBytes payload, std::span<const TagKey> tags);

// The tag table of a class and sub-command (empty when it has none).
std::span<const TagKey> kvTagTable(uint8_t cmd, uint8_t subCmd);

// Class 2 (file download) and class 8 (custom offline printing) reports.
uint32_t kvReportDownload(KVCmdDecodeInfo& info, PayloadBytes payload);
uint32_t kvReportCustomPrint(KVCmdDecodeInfo& info, PayloadBytes payload);

// Copies printer information of a class 1 report into the connection cache.
void kvCacheReport(const KVCmdDecodeInfo& info);
