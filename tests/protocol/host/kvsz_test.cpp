// The second packet family: request bytes, the reply decoder with damaged
// streams, and the reports of printer information and WiFi replies.
#include <gtest/gtest.h>

#include "base/seams.h"
#include "protocol/host/kvsz_protocol.h"
#include "tests/protocol/protocol_test_util.h"

using kvptest::Bytes;

namespace {

int fixedRand() { return 0x1234; }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class KvszTest : public ::testing::Test {
protected:
    void SetUp() override {
        setKvRandom(&fixedRand, nullptr);
        KVSZ_DecodeReset();
        while (KVSZ_AckToAppProcess()) {}
    }
    void TearDown() override { setKvRandom(nullptr, nullptr); }
};

// A reply packet: markers, length, command, 0, random, status, data.
Bytes reply(uint8_t command, uint8_t status, const Bytes& data) {
    const uint32_t length = uint32_t(data.size()) + 4;
    Bytes out = {
        0x19,    0x73, 0x10, 0x19,  uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16), uint8_t(length >> 24),
        command, 0,    0x42, status};
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), {0x19, 0x79, 0x04, 0x02});
    return out;
}

Bytes texts(std::initializer_list<std::string> parts) {
    Bytes out;
    for (const std::string& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
        out.push_back(0);
    }
    return out;
}

struct Got {
    uint32_t result = 0;
    uint8_t command = 0, failed = 0;
    std::string json;
    int packets = 0;
};

Got feed(const Bytes& bytes) {
    Got got;
    for (uint8_t b : bytes) {
        KVSZReceivePack pack = getKVSZJsonString(b);
        if (pack.result != 0) {
            got = {pack.result, pack.command, pack.failed, pack.json, got.packets + 1};
        }
        freeKVSZReceivePack(pack);
    }
    return got;
}

}  // namespace

TEST_F(KvszTest, RequestBytes) {
    EXPECT_EQ(kvptest::take(KVSZ_Get_PrinterInfoData()),
              (Bytes{0x19, 0x73, 0x10, 0x19, 4, 0, 0, 0, 2, 0, 0x34, 0, 0x19, 0x79, 0x04, 0x02}));
    EXPECT_EQ(
        kvptest::take(KVSZ_Set_PrinterWiFi("ab", "cd")),
        (Bytes{0x19, 0x73, 0x10, 0x19, 10, 0, 0, 0, 4, 0, 0x34, 0, 'a', 'b', 0, 'c', 'd', 0, 0x19, 0x79, 0x04, 0x02}));
    EXPECT_EQ(kvptest::take(KVSZ_Set_PrinterWiFi(nullptr, nullptr)).size(), 18u);
    KVSZPacket packet = creatDefaultKVSZPacket();
    EXPECT_EQ(packet.head, KVSZ_HEAD);
    EXPECT_EQ(packet.tail, KVSZ_TAIL);
    EXPECT_EQ(packet.random, 0x34);
    packet.dataLength = 3;  // data missing
    EXPECT_TRUE(kvptest::take(KVSZ_GetProtocolPack(&packet)).empty());
    EXPECT_TRUE(kvptest::take(KVSZ_GetProtocolPack(nullptr)).empty());
}

TEST_F(KvszTest, ReportsOfInformationAndWifiReplies) {
    struct Case {
        const char* name;
        Bytes packet;
        uint32_t result;
        std::string json;
    } cases[] = {
        {"info", reply(2, 1, Bytes{0} + texts({"ok", "P1", "SN7"}) + Bytes{1} + texts({"home", "10.0.0.2"})), 1,
         "{\n\t\"code\":\t\"0\",\n\t\"msg\":\t\"ok\",\n\t\"printerModel\":\t\"P1\",\n\t\"sn\":\t\"SN7\",\n"
         "\t\"isSetWiFi\":\t\"1\",\n\t\"ssid\":\t\"home\",\n\t\"ip\":\t\"10.0.0.2\"\n}"},
        {"wifi", reply(4, 1, Bytes{3} + texts({"set", "10.0.0.9"})), 1,
         "{\n\t\"code\":\t\"3\",\n\t\"msg\":\t\"set\",\n\t\"ip\":\t\"10.0.0.9\"\n}"},
        {"texts end before the data", reply(4, 1, Bytes{3} + texts({"set", "ip"}) + Bytes{7}), 2, "{}"},
        {"data ends inside a text", reply(4, 1, Bytes{3} + texts({"set"}) + Bytes{'1', '0'}), 2, "{}"},
        {"no data", reply(2, 1, {}), 2, "{}"},
        {"failure status", reply(4, 0, Bytes{3} + texts({"x", "y"})), 2, "{}"},
        {"unknown command", reply(9, 1, {}), 3, "{}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Got got = feed(c.packet);
        EXPECT_EQ(got.packets, 1);
        EXPECT_EQ(got.result, c.result);
        EXPECT_EQ(got.failed, c.result >= 2 ? 1 : 0);
        EXPECT_EQ(got.command, c.packet[8]);
        EXPECT_EQ(got.json, c.json);
    }
    // The report of a malformed reply is written all the same.
    feed(reply(4, 1, Bytes{3} + texts({"set", "ip"}) + Bytes{7}));
    EXPECT_EQ(std::string(gstKVSZCmdDecodeInfo.report),
              "{\n\t\"code\":\t\"3\",\n\t\"msg\":\t\"set\",\n\t\"ip\":\t\"ip\"\n}");
}

TEST_F(KvszTest, DecoderDropsDamagedPacketsAndResynchronises) {
    const Bytes good = reply(4, 1, Bytes{0} + texts({"a", "b"}));
    Bytes badTail = good;
    badTail[badTail.size() - 2] = 0x05;
    Bytes tooLong = {0x19, 0x73, 0x10, 0x19, 0x01, 0x08, 0, 0};  // 2049
    Bytes tooShort = {0x19, 0x73, 0x10, 0x19, 0x03, 0, 0, 0, 1, 2, 3, 0x19, 0x79, 0x04, 0x02};
    Bytes zero = {0x19, 0x73, 0x10, 0x19, 0, 0, 0, 0, 0x19, 0x79, 0x04, 0x02};
    for (const Bytes* bad : {&badTail, &tooLong, &tooShort, &zero}) {
        KVSZ_DecodeReset();
        EXPECT_EQ(feed(*bad).packets, 0);
        KVSZ_DecodeReset();
        EXPECT_EQ(feed(good).packets, 1);
    }
    // Noise, a repeated first marker byte, and truncation at every point.
    Bytes noisy = {0x00, 0x19, 0x19, 0x73, 0x19};
    noisy.insert(noisy.end(), good.begin(), good.end());
    EXPECT_EQ(feed(noisy).packets, 1);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        KVSZ_DecodeReset();
        EXPECT_EQ(feed(Bytes(good.begin(), good.begin() + cut)).packets, 0) << cut;
    }
    // A largest body of 2048 bytes is taken.
    KVSZ_DecodeReset();
    EXPECT_EQ(feed(reply(7, 1, Bytes(2044, 0xEE))).packets, 1);
}

// A packet left waiting, then markers and a length of FFFFFFFF: the length is
// refused before it is stored and the hand-over never moves memory past the body.
TEST_F(KvszTest, OversizedLengthAfterAWaitingPacketIsRefusedBeforeItIsStored) {
    const Bytes stream =
        reply(4, 1, Bytes{0} + texts({"a", "b"})) + Bytes{0x19, 0x73, 0x10, 0x19, 0xFF, 0xFF, 0xFF, 0xFF};
    for (uint8_t b : stream) KVSZ_Packet_Decode(b);
    EXPECT_LE(gstKVSZCmdDecodeInfo.bodyLength, uint32_t(KVSZ_BODY_MAX));
    EXPECT_EQ(KVSZ_AckToAppProcess(), 0);
    EXPECT_EQ(feed(reply(4, 1, Bytes{0} + texts({"a", "b"}))).packets, 1);
}
