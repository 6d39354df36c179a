// Frame decoding of printer replies: round trips from the frame builder for
// every command class and printer family, damaged and truncated streams, and
// the JSON wrapper with base64 frames.
#include <gtest/gtest.h>

#include <cstring>

#include "protocol/command_builders.h"
#include "protocol/host/connection_start.h"
#include "tests/protocol/host/host_test_util.h"

using namespace kvhtest;

namespace {

struct Handed {
    int frames = 0;
    uint8_t kind = 0, cmd = 0, sub = 0;
    Bytes payload;
};

// Feeds bytes one at a time, handing over after each like an application.
Handed decodeAll(const Bytes& bytes) {
    Handed out;
    for (uint8_t byte : bytes) {
        HAL_KV_Packet_Decode(byte);
        if (!HAL_KV_AckToAPP_Process()) continue;
        const KVCmdDecodeInfo& d = gstKVCmdDecodeInfo;
        ++out.frames;
        out.kind = d.kind;
        out.cmd = d.cmd;
        out.sub = d.subCmd;
        out.payload.assign(d.body, d.body + d.payloadLength);
    }
    return out;
}

std::string base64(const Bytes& in) {
    const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < in.size(); i += 3) {
        uint32_t v =
            uint32_t(in[i]) << 16 | (i + 1 < in.size() ? in[i + 1] << 8 : 0) | (i + 2 < in.size() ? in[i + 2] : 0);
        out += a[v >> 18 & 63];
        out += a[v >> 12 & 63];
        out += i + 1 < in.size() ? a[v >> 6 & 63] : '=';
        out += i + 2 < in.size() ? a[v & 63] : '=';
    }
    return out;
}

Bytes textBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class DecoderFamilies : public ::testing::TestWithParam<uint32_t> {};

}  // namespace

TEST_P(DecoderFamilies, ReplyOfEveryClassRoundTrips) {
    HostGuard guard(GetParam());
    Bytes big(2045);
    for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7 + 1);
    struct Case {
        uint8_t cmd, sub;
        Bytes payload;
        uint8_t kind;
    } cases[] = {
        {1, 1, {1, 1, 0, 2}, 0x21},
        {1, 15, {1, 2, 0, 0x6A, 1}, 0x10},
        {2, 3, {1, 0}, 0x21},
        {3, 7, {1, 4, 0, 192, 168, 1, 10}, 0x21},
        {4, 1, textBytes("KV-L50"), 0x21},
        {5, 16, {1, 0x2D, 1}, 0x21},
        {5, 13, {}, 0x10},
        {7, 1, {2, 3, 0, 'a', 'b', 'c'}, 0x10},
        {8, 11, {1}, 0x21},
        {1, 5, Bytes(11, 'x'), 0x21},  // body of exactly 16 bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.cmd) * 100 + c.sub);
        Handed h = decodeAll(replyFrame(c.cmd, c.sub, c.payload, c.kind));
        ASSERT_EQ(h.frames, 1);
        EXPECT_EQ(h.kind, c.kind);
        EXPECT_EQ(h.cmd, c.cmd);
        EXPECT_EQ(h.sub, c.sub);
        EXPECT_EQ(h.payload, c.payload);
    }
    // The largest body the decoder takes (2045 payload bytes clear; family
    // 163 pads the cipher past 2050, so it takes less).
    Bytes largest(big.begin(), big.begin() + (GetParam() == 163 ? 2040 : 2045));
    EXPECT_EQ(decodeAll(replyFrame(5, 1, largest)).payload, largest);
}

TEST_P(DecoderFamilies, HostCommandsDecodeToTheirPayloads) {
    HostGuard guard(GetParam());
    struct Case {
        SendPack pack;
        uint8_t cmd, sub;
        Bytes payload;
    } cases[] = {
        {getPrinterInfoSNData(), 1, 6, {}},
        {setPrinterInfoButtonData(1, 2, 3, 0x0405), 1, 82, {1, 2, 3, 5, 4}},
        {setPrinterWiFiConfigData("ab", "cd"), 3, 2, {1, 2, 0, 'a', 'b', 2, 2, 0, 'c', 'd', 0}},
        {setPrinterBleNameData("KV"), 4, 2, {'K', 'V'}},
        {setPrinterPrintDarknessData("20,8"), 5, 4, {3, 15, 8}},
        {getPrinterNFCInfoData(), 7, 2, {}},
        {RD_setPrinterCustomTimePrintOffsetData(1, 2, 3, 0x01020304), 8, 7, {1, 2, 3, 4, 3, 2, 1}},
    };
    for (Case& c : cases) {
        Bytes frame = kvptest::take(c.pack);
        SCOPED_TRACE(int(c.cmd) * 100 + c.sub);
        Handed h = decodeAll(frame);
        ASSERT_EQ(h.frames, 1);
        EXPECT_EQ(h.kind, 0x11);
        EXPECT_EQ(h.cmd, c.cmd);
        EXPECT_EQ(h.sub, c.sub);
        EXPECT_EQ(h.payload, c.payload);
    }
}

INSTANTIATE_TEST_SUITE_P(Families, DecoderFamilies, ::testing::Values(28u, 31u, 163u));

TEST(Decoder, SkipsGarbageAndResynchronises) {
    HostGuard guard(28);
    const Bytes frame = replyFrame(5, 3, {5, 8});
    // Garbage, a lone A3, A3 followed by a wrong byte, and A3 A3 1E: the
    // second A3 starts the frame.
    const Bytes noise = {0x00, 0xFF, 0xA3, 0x00, 0x1E, 0xA3, 0x1E, 0x1D, 0x11, 0xA3};
    Handed h = decodeAll(noise + frame + Bytes{0x55} + frame);
    EXPECT_EQ(h.frames, 2);
    EXPECT_EQ(h.payload, (Bytes{5, 8}));
}

TEST(Decoder, DropsDamagedFramesAndKeepsGoing) {
    HostGuard guard(28);
    const Bytes good = replyFrame(5, 6, {3});
    Bytes badCrc = good;
    ASSERT_EQ(good.size(), 16u);
    badCrc[15] ^= 0x01;
    Bytes badBody = good;
    badBody[12] ^= 0x40;
    Bytes wrongFamily = good;
    wrongFamily[2] = 31;
    // Length field 2051: dropped at the length, the rest is searched as noise.
    Bytes tooLong = {0xA3, 0x1E, 28, 0x00, 0x03, 0x08};
    tooLong.resize(tooLong.size() + 2051 + 4, 0x00);
    for (const Bytes* bad : {&badCrc, &badBody, &wrongFamily, &tooLong}) {
        HAL_KVDecodeReset();
        EXPECT_EQ(decodeAll(*bad).frames, 0);
        EXPECT_EQ(decodeAll(good).frames, 1);
    }
    // A 31 frame is not accepted under family 28's seed even with the right byte.
    kvptest::ProtocolStateGuard other(31);
    Bytes frame31 = replyFrame(5, 6, {3});
    setODMPrinterType(28);
    frame31[2] = 28;
    EXPECT_EQ(decodeAll(frame31).frames, 0);
}

TEST(Decoder, TruncatedFrameIsNeverHandedOver) {
    HostGuard guard(28);
    const Bytes frame = replyFrame(1, 6, textBytes("SN-1"));
    for (size_t cut = 0; cut < frame.size(); ++cut) {
        HAL_KVDecodeReset();
        EXPECT_EQ(decodeAll(Bytes(frame.begin(), frame.begin() + cut)).frames, 0) << cut;
    }
    // A complete frame that was not yet handed over is given up, not mixed,
    // when the next frame's body starts arriving.
    HAL_KVDecodeReset();
    for (uint8_t b : frame) HAL_KV_Packet_Decode(b);
    const Bytes next = replyFrame(1, 8, textBytes("NAME"));
    for (size_t i = 0; i < 8; ++i) HAL_KV_Packet_Decode(next[i]);
    EXPECT_EQ(HAL_KV_AckToAPP_Process(), 0);
}

// A frame left waiting, then the header of another with length FFFF: the
// length is refused before it is stored, the waiting frame is given up, and
// the hand-over never touches memory past the body.
TEST(Decoder, OversizedLengthAfterAWaitingFrameIsRefusedBeforeItIsStored) {
    for (uint32_t family : {28u, 163u}) {
        HostGuard guard(family);
        SCOPED_TRACE(family);
        Bytes header = replyFrame(5, 3, {5, 8});
        header.resize(family == 163 ? 2 : 4);  // leading bytes, type, encryption byte
        header[header.size() - 1] = 0x20;      // encrypted
        const Bytes stream = replyFrame(5, 3, {5, 8}) + header + Bytes{0xFF, 0xFF};
        for (uint8_t b : stream) HAL_KV_Packet_Decode(b);
        EXPECT_LE(gstKVCmdDecodeInfo.bodyLength, KV_DECODE_BODY_MAX);
        EXPECT_EQ(HAL_KV_AckToAPP_Process(), 0);
        EXPECT_EQ(feed(replyFrame(5, 3, {5, 8})).result, 1u);
    }
    // A record whose length an application set beyond the body is not handed over.
    HostGuard guard(28);
    gstKVCmdDecodeInfo.flags |= 1;
    gstKVCmdDecodeInfo.encryptType = 2;
    gstKVCmdDecodeInfo.bodyLength = 0xFFFF;
    EXPECT_EQ(HAL_KV_AckToAPP_Process(), 0);
    gstKVCmdDecodeInfo.bodyLength = 0;
}

TEST(Decoder, EmptyBodyAndShortBodiesAreSafe) {
    HostGuard guard(28);
    // Body length 0: the CRC of nothing is the seed. No stale frame comes back.
    decodeAll(replyFrame(5, 3, {5, 8}));
    Bytes empty = {0xA3, 0x1E, 28, 0x00, 0x00, 0x00, 0x21, 0x35, 0x95, 0x76};
    Handed h = decodeAll(empty);
    ASSERT_EQ(h.frames, 1);
    EXPECT_EQ(h.cmd, 0);
    EXPECT_TRUE(h.payload.empty());
    // A payload length larger than the body is handed over but not analysed.
    Bytes body = {0x21, 5, 3, 0xFF, 0xFF, 1, 2};
    uint32_t crc = kvptest::referenceCrc(0x76953521, body);
    Bytes frame = Bytes{0xA3, 0x1E, 28, 0x00, uint8_t(body.size()), 0} + body +
                  Bytes{uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)};
    Received r = feed(frame);
    EXPECT_EQ(r.result, 2u);
    EXPECT_EQ(r.json, "{}");
    // The same inconsistent payload on a sub-command that no table names is
    // unknown, in the download class as in the others.
    for (uint8_t cmd : {uint8_t{2}, uint8_t{5}}) {
        SCOPED_TRACE(int(cmd));
        body = {0x21, cmd, 99, 0xFF, 0xFF, 1, 2};
        crc = kvptest::referenceCrc(0x76953521, body);
        frame = Bytes{0xA3, 0x1E, 28, 0x00, uint8_t(body.size()), 0} + body +
                Bytes{uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)};
        r = feed(frame);
        EXPECT_EQ(r.result, 3u);
        EXPECT_EQ(r.json, "{}");
    }
}

TEST(Decoder, ConnectionStartResetsTheDecoder) {
    HostGuard guard(28);
    const Bytes frame = replyFrame(5, 6, {3});
    for (size_t i = 0; i < 6; ++i) HAL_KV_Packet_Decode(frame[i]);
    resetCacheWhenStartConnect();
    EXPECT_EQ(gstKVCmdDecodeInfo.state, 0);
    EXPECT_EQ(decodeAll(frame).frames, 1);
}

TEST(JsonWrapper, CarriesTheSameFrameAsRawBytes) {
    for (uint32_t family : {28u, 163u}) {
        HostGuard guard(family);
        const Bytes frame = replyFrame(5, 3, {5, 8});
        const Received raw = feed(frame);
        const std::string text = "noise {\"Id\": 7, \"Cmd\": \"" + base64(frame) + "\"} trailing";
        Received wrapped;
        for (char c : text) {
            ReceivePack pack = getJsonStringFromWrapped(uint8_t(c));
            if (pack.result != 0) {
                wrapped.result = pack.result;
                wrapped.json = pack.json;
                ++wrapped.reports;
            }
            freeReceivePack(pack);
        }
        EXPECT_EQ(wrapped.reports, 1);
        EXPECT_EQ(wrapped.result, raw.result);
        EXPECT_EQ(wrapped.json, raw.json);
    }
}

TEST(JsonWrapper, BadTextIsDroppedAndTheWrapperRecovers) {
    HostGuard guard(28);
    const Bytes frame = replyFrame(5, 6, {9});
    const std::string good = "{\"Cmd\":\"" + base64(frame) + "\"}";
    const std::string bad[] = {
        "{\"Cmd\":\"" + base64(frame).substr(1) + "\"}",           // length not a multiple of 4
        "{\"Cmd\":\"" + base64(frame).replace(2, 1, "*") + "\"}",  // outside the alphabet
        "{\"Cmd\": 12}",                                           // not a string
        "{\"Cmd\":\"" + std::string(2100, 'A') + "\"}",            // longer than the wrapper holds
        "{not json}",
    };
    for (const std::string& text : bad) {
        for (char c : text) HAL_KV_Packet_Decode_Json(uint8_t(c));
        EXPECT_EQ(HAL_KV_AckToAPP_Process(), 0);
        EXPECT_EQ(gstKVCmdDecodeJsonInfo.state, 0u);
        for (char c : good) HAL_KV_Packet_Decode_Json(uint8_t(c));
        EXPECT_EQ(HAL_KV_AckToAPP_Process(), 1);
        EXPECT_EQ(gstKVCmdDecodeInfo.body[0], 9);
    }
}
