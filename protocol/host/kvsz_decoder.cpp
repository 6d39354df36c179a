// Replies of the second packet family: the byte-at-a-time decoder (markers,
// length, body), the hand-over, the JSON reports and the receive record.
#include <cstdlib>
#include <cstring>
#include <span>

#include "protocol/host/kvsz_protocol.h"
#include "protocol/host/reply_analysis.h"
#include "protocol/host/report_writer.h"

KVSZCmdDecodeInfo gstKVSZCmdDecodeInfo{};

namespace {

constexpr uint8_t kWaiting = 0x01;
constexpr uint32_t kBodyHeader = 4;  // command, reserved, random, status
constexpr uint8_t kHead[4] = {0x19, 0x73, 0x10, 0x19};
constexpr uint8_t kTail[4] = {0x19, 0x79, 0x04, 0x02};

void restart(KVSZCmdDecodeInfo& d) {
    d.state = 0;
    d.counter = 0;
}

// The markers are complete: a packet still waiting is overwritten from here
// on, so it is given up whole.
void startLength(KVSZCmdDecodeInfo& d) {
    d.flags &= uint8_t(~kWaiting);
    d.bodyLength = 0;
    d.counter = 0;
    d.state = 4;
}

// The length arrives low byte first, so the value only grows: each step is
// checked before it is stored, and the stored length never exceeds the body.
void onLengthByte(KVSZCmdDecodeInfo& d, uint8_t byte) {
    const uint64_t length = d.counter < 4 ? d.bodyLength | uint64_t(byte) << (8 * d.counter) : UINT64_MAX;
    if (length > KVSZ_BODY_MAX) {
        d.bodyLength = 0;
        restart(d);
        return;
    }
    d.bodyLength = uint32_t(length);
    if (++d.counter < 4) return;
    // A body shorter than its own 4-byte header can't be handed over.
    if (d.bodyLength < kBodyHeader) {
        restart(d);
        return;
    }
    std::memset(d.body, 0, sizeof d.body);
    d.counter = 0;
    d.state = 5;
}

void onBodyByte(KVSZCmdDecodeInfo& d, uint8_t byte) {
    if (d.bodyLength > KVSZ_BODY_MAX || d.counter >= d.bodyLength) {  // record altered from outside
        restart(d);
        return;
    }
    d.body[d.counter++] = byte;
    if (d.counter < d.bodyLength) return;
    d.counter = 0;
    d.state = 6;
}

// Reads the data of a reply in order; remembers when it ran out.
struct DataReader {
    std::span<const uint8_t> data;
    size_t at = 0;
    bool complete = true;

    std::string byteText() {
        if (at >= data.size()) {
            complete = false;
            return "0";
        }
        return std::to_string(data[at++]);
    }
    std::string text() {
        const auto rest = data.subspan(at);
        const std::string s = kvPayloadText(rest);
        const bool terminated = s.size() < rest.size();
        if (!terminated) complete = false;  // the data ends inside the text
        at += s.size() + (terminated ? 1 : 0);
        return s;
    }
};

}  // namespace

extern "C" {

void KVSZ_DecodeReset(void) { restart(gstKVSZCmdDecodeInfo); }

void KVSZ_Packet_Decode(uint8_t byte) {
    KVSZCmdDecodeInfo& d = gstKVSZCmdDecodeInfo;
    switch (d.state) {
        case 0:
        case 1:
        case 2:
        case 3:
            d.counter = 0;
            if (byte != kHead[d.state])
                d.state = byte == kHead[0] ? 1 : 0;  // the byte may start the next packet
            else if (d.state == 3)
                startLength(d);
            else
                ++d.state;
            break;
        case 4: onLengthByte(d, byte); break;
        case 5: onBodyByte(d, byte); break;
        case 6:
        case 7:
        case 8:
        case 9:
            if (byte != kTail[d.state - 6]) {
                restart(d);
            } else if (d.state == 9) {
                d.flags |= kWaiting;
                restart(d);
            } else {
                ++d.state;
            }
            break;
        default: restart(d); break;
    }
}

int KVSZ_AckToAppProcess(void) {
    KVSZCmdDecodeInfo& d = gstKVSZCmdDecodeInfo;
    if ((d.flags & kWaiting) == 0) return 0;
    d.flags &= uint8_t(~kWaiting);
    // The record is public: a length it was given from outside is not trusted.
    if (d.bodyLength < kBodyHeader || d.bodyLength > KVSZ_BODY_MAX) return 0;
    d.command = d.body[0];
    d.reserved = d.body[1];
    d.random = d.body[2];
    d.status = d.body[3];
    d.dataLength = d.bodyLength - kBodyHeader;
    std::memmove(d.body, d.body + kBodyHeader, d.dataLength);
    std::memset(d.body + d.dataLength, 0, kBodyHeader);
    return 1;
}

uint32_t KVSZ_AnalysisPack(void) {
    KVSZCmdDecodeInfo& d = gstKVSZCmdDecodeInfo;
    std::memset(d.report, 0, sizeof d.report);
    if (d.command != 2 && d.command != 4) return KV_RESULT_UNKNOWN;
    if (d.status != 1) return KV_RESULT_FAILED;
    DataReader in{std::span<const uint8_t>(d.body, d.dataLength)};
    JsonReport report;
    report.add("code", in.byteText());
    report.add("msg", in.text());
    if (d.command == 2) {
        report.add("printerModel", in.text());
        report.add("sn", in.text());
        report.add("isSetWiFi", in.byteText());
        report.add("ssid", in.text());
    }
    report.add("ip", in.text());
    const bool stored = report.store(d.report, sizeof d.report);
    return stored && in.complete && in.at == in.data.size() ? KV_RESULT_OK : KV_RESULT_FAILED;
}

KVSZReceivePack getKVSZJsonString(uint8_t byte) {
    const KVSZCmdDecodeInfo& d = gstKVSZCmdDecodeInfo;
    KVSZ_Packet_Decode(byte);
    uint32_t result = KV_RESULT_NONE;
    if (KVSZ_AckToAppProcess()) result = KVSZ_AnalysisPack();
    KVSZReceivePack pack{};
    pack.result = result;
    pack.failed = result >= KV_RESULT_FAILED ? 1 : 0;
    pack.command = d.command;
    const char* text = result == KV_RESULT_OK && d.report[0] != '\0' ? d.report : "{}";
    const size_t n = strnlen(text, sizeof d.report - 1);
    pack.json = static_cast<char*>(std::malloc(n + 1));
    if (pack.json != nullptr) {
        std::memcpy(pack.json, text, n);
        pack.json[n] = '\0';
    }
    return pack;
}

void freeKVSZReceivePack(KVSZReceivePack pack) { std::free(pack.json); }

}  // extern "C"
