// Helpers of the host-service tests: printer reply frames built with the
// protocol's own frame builder, feeding bytes to the decoders, and a guard
// that leaves the decoders and the module state as it found them.
#pragma once

#include <string>
#include <vector>

#include "protocol/frame.h"
#include "protocol/host/reply_decoder.h"
#include "tests/protocol/protocol_test_util.h"

namespace kvhtest {

using kvptest::Bytes;

// A frame as the printer sends it (kind 0x21 for replies, 0x10 for notices),
// encrypted for family 163. Built without the download bookkeeping of the
// host-side builder.
inline Bytes replyFrame(uint8_t cmd, uint8_t sub, const Bytes& payload, uint8_t kind = 0x21) {
    ProtocolPackHead head{cmd,
                          sub,
                          uint8_t(getODMPrinterType() == 163 ? 2 : 0),
                          uint8_t(kind >> 4),
                          uint8_t(kind & 0x0F),
                          uint16_t(payload.size())};
    uint32_t length = 0;
    uint8_t* frame = HAL_KV_Protocol_PacketBuid(head, payload.empty() ? nullptr : payload.data(), &length);
    return kvptest::take(SendPack{frame, length});
}

// One analysed reply: result, kind, class, sub-command and the report copy.
struct Received {
    uint32_t result = 0;
    uint8_t kind = 0, cmd = 0, subCmd = 0, failed = 0;
    std::string json;
    int reports = 0;  // how many bytes produced a non-zero result
};

// Feeds every byte through getJsonString; keeps the last non-zero result
// (or the last record when none).
inline Received feed(const Bytes& bytes) {
    Received out;
    for (uint8_t byte : bytes) {
        ReceivePack pack = getJsonString(byte);
        if (pack.result != 0 || out.reports == 0) {
            out.result = pack.result;
            out.kind = pack.kind;
            out.cmd = pack.cmd;
            out.subCmd = pack.subCmd;
            out.failed = pack.failed;
            out.json = pack.json ? pack.json : "(null)";
        }
        if (pack.result != 0) ++out.reports;
        freeReceivePack(pack);
    }
    return out;
}

// Family and clean decoders for one test.
class HostGuard : public kvptest::ProtocolStateGuard {
public:
    explicit HostGuard(uint32_t odmType) : ProtocolStateGuard(odmType) {
        HAL_KVDecodeReset();
        HAL_KVDecodeJsonReset();
        while (HAL_KV_AckToAPP_Process()) {}
    }
};

// Formatted report text as the analysis prints it (every value a string).
inline std::string report(const std::vector<std::pair<std::string, std::string>>& members) {
    if (members.empty()) return "{\n}";
    std::string out = "{";
    for (size_t i = 0; i < members.size(); ++i)
        out += (i ? ",\n\t\"" : "\n\t\"") + members[i].first + "\":\t\"" + members[i].second + "\"";
    return out + "\n}";
}

}  // namespace kvhtest
