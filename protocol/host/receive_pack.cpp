// The receive record handed to applications per byte (or JSON character) fed:
// the analysis result, the frame's kind, class and sub-command, and a heap
// copy of the report.
#include <cstdlib>
#include <cstring>

#include "protocol/host/reply_analysis.h"
#include "protocol/host/reply_decoder.h"

namespace {

char* copyText(const char* text) {
    const size_t n = strnlen(text, KV_DECODE_REPORT_SIZE - 1) + 1;
    auto* copy = static_cast<char*>(std::malloc(n));
    if (copy != nullptr) {
        std::memcpy(copy, text, n - 1);
        copy[n - 1] = '\0';
    }
    return copy;
}

ReceivePack afterFeed() {
    const KVCmdDecodeInfo& d = gstKVCmdDecodeInfo;
    uint32_t result = KV_RESULT_NONE;
    if (HAL_KV_AckToAPP_Process()) result = analysisPack();
    ReceivePack pack{};
    pack.result = result;
    pack.kind = d.kind;
    pack.cmd = d.cmd;
    pack.subCmd = d.subCmd;
    pack.failed = result >= KV_RESULT_FAILED ? 1 : 0;
    // The report goes out on success, and for downloads also on failure (it
    // carries the download state).
    const bool handOut = result == KV_RESULT_OK || (result == KV_RESULT_FAILED && d.cmd == 2);
    pack.json = copyText(handOut && d.report[0] != '\0' ? d.report : "{}");
    return pack;
}

}  // namespace

extern "C" {

ReceivePack getJsonString(uint8_t byte) {
    HAL_KV_Packet_Decode(byte);
    return afterFeed();
}

ReceivePack getJsonStringFromWrapped(uint8_t character) {
    HAL_KV_Packet_Decode_Json(character);
    return afterFeed();
}

void freeReceivePack(ReceivePack pack) { std::free(pack.json); }

}  // extern "C"
