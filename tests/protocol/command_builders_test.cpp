// Command builders: class, sub-command and payload of every builder, the
// argument rules as one table, text parsing, the connection start, and the
// two download sequences.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "protocol/command_builders.h"
#include "protocol/host/connection_start.h"
#include "tests/protocol/protocol_test_util.h"

using namespace kvptest;

namespace {

struct Expect {
    const char* name;
    std::function<SendPack()> build;
    uint8_t cmd, subCmd;
    Bytes payload;
};

void checkOne(const Expect& e) {
    auto frames = framesOf(e.build());
    ASSERT_EQ(frames.size(), 1u) << e.name;
    EXPECT_TRUE(frames[0].crcOk) << e.name;
    EXPECT_EQ(frames[0].kind, 0x11) << e.name;
    EXPECT_EQ(frames[0].cmd, e.cmd) << e.name;
    EXPECT_EQ(frames[0].subCmd, e.subCmd) << e.name;
    EXPECT_EQ(frames[0].payload, e.payload) << e.name;
}

}  // namespace

TEST(CommandBuilders, VocabularyClassesAndPayloads) {
    ProtocolStateGuard state(28);
    const std::vector<Expect> table = {
        {"darkness 20,8", [] { return setPrinterPrintDarknessData("20,8"); }, 5, 4, {3, 15, 8}},
        {"darkness 5", [] { return setPrinterPrintDarknessData("5"); }, 5, 4, {0, 5, 0}},
        {"darkness full-width comma",
         [] {
             return setPrinterPrintDarknessData(
                 "3\xEF\xBC\x8C"
                 "4");
         },
         5,
         4,
         {3, 3, 4}},
        {"darkness empty fields", [] { return setPrinterPrintDarknessData(",,7,,2,"); }, 5, 4, {3, 7, 2}},
        {"darkness 264 low bits", [] { return setPrinterPrintDarknessData("264,x"); }, 5, 4, {3, 8, 0}},
        {"feed 1,28", [] { return setPrinterPrintFeedData("1,28"); }, 5, 8, {1, 28, 0}},
        {"feed 2,70000", [] { return setPrinterPrintFeedData("2,70000"); }, 5, 8, {2, 0x70, 0x11}},
        {"speed", [] { return setPrinterPrintSpeedData(4); }, 5, 7, {4}},
        {"silent", [] { return setPrinterPrintSilentModelData(1); }, 5, 35, {1}},
        {"paper type 2", [] { return setPrinterPrintPaperTypeData(2); }, 5, 17, {2}},
        {"action 3", [] { return setPrinterPrintActionData(3); }, 5, 26, {3}},
        {"fallback", [] { return setPrinterPrintFallbackData(0x1234); }, 5, 27, {0x34, 0x12}},
        {"busy", getPrinterPrinterBusyStateData, 5, 32, {}},
        {"cutting alert", [] { return setPrinterPrintManualCuttingAlertData(9); }, 5, 37, {9}},
        {"shutdown time", [] { return setPrinterInfoShutdownTimeData(600); }, 1, 13, {0x58, 0x02}},
        {"utc", [] { return setPrinterInfoUTCData(0x01020304); }, 1, 25, {4, 3, 2, 1}},
        {"button", [] { return setPrinterInfoButtonData(1, 2, 3, 0x0405); }, 1, 82, {1, 2, 3, 5, 4}},
        {"button get", [] { return getPrinterInfoButtonData(7, 8, 9); }, 1, 83, {7, 8, 9}},
        {"battery", getPrinterInfoBatteryData, 1, 14, {}},
        {"restore", setPrinterInfoRestoreFactorySettingsData, 1, 24, {}},
        {"wifi mac", [] { return setPrinterWiFiMacData("1:2:3:255:256:10"); }, 3, 4, {1, 2, 3, 255, 0, 10}},
        {"wifi config",
         [] { return setPrinterWiFiConfigData("ab", "xyz"); },
         3,
         2,
         {1, 2, 0, 'a', 'b', 2, 3, 0, 'x', 'y', 'z', 0}},
        {"ble wifi config", [] { return setPrinterWiFiCFGData("n", ""); }, 4, 14, {1, 1, 0, 'n', 2, 0, 0, 0}},
        {"ble name", [] { return setPrinterBleNameData("KV-1"); }, 4, 2, {'K', 'V', '-', '1'}},
        {"ble name 32", [] { return setPrinterBleNameData(std::string(32, 'n').c_str()); }, 4, 2, Bytes(32, 'n')},
        {"ble name empty", [] { return setPrinterBleNameData(""); }, 4, 2, {}},
        {"wifi config empty ssid", [] { return setPrinterWiFiConfigData("", "p"); }, 3, 2, {1, 0, 0, 2, 1, 0, 'p', 0}},
        {"ble state", getPrinterBleStateData, 4, 13, {}},
        {"nfc", getPrinterNFCInfoData, 7, 2, {}},
        {"custom offset",
         [] { return RD_setPrinterCustomTimePrintOffsetData(1, 2, 3, 0x0A0B0C0D); },
         8,
         7,
         {1, 2, 3, 0x0D, 0x0C, 0x0B, 0x0A}},
        {"custom time format", [] { return RD_setPrinterCustomTimeFormatPrintData(4, 3, 2, 1); }, 8, 5, {4, 3, 2, 1}},
        {"custom end", RD_getDownCustomPrintEndPackData, 8, 10, {}},
    };
    for (const Expect& e : table) checkOne(e);
}

TEST(CommandBuilders, RejectedArgumentsGiveNoCommand) {
    ProtocolStateGuard state(28);
    const Bytes some(64, 0x11);
    const std::vector<std::pair<const char*, std::function<SendPack()>>> table = {
        {"darkness empty", [] { return setPrinterPrintDarknessData(""); }},
        {"darkness commas only", [] { return setPrinterPrintDarknessData(",\xEF\xBC\x8C,"); }},
        {"darkness null", [] { return setPrinterPrintDarknessData(nullptr); }},
        {"feed mode 3", [] { return setPrinterPrintFeedData("3,28"); }},
        {"feed one field", [] { return setPrinterPrintFeedData("1"); }},
        {"feed mode 0", [] { return setPrinterPrintFeedData("0,5"); }},
        {"paper type 3", [] { return setPrinterPrintPaperTypeData(3); }},
        {"action 0", [] { return setPrinterPrintActionData(0); }},
        {"action 4", [] { return setPrinterPrintActionData(4); }},
        {"ble name 33", [] { return setPrinterBleNameData(std::string(33, 'a').c_str()); }},
        {"ble name null", [] { return setPrinterBleNameData(nullptr); }},
        {"mac five fields", [] { return setPrinterWiFiMacData("1:2:3:4:5"); }},
        {"wifi no ssid", [] { return setPrinterWiFiConfigData(nullptr, "x"); }},
        {"download type 0", [&] { return getStartDownFileData(0, "f", some.data(), 64, 0); }},
        {"download type 5", [&] { return getStartDownFileData(5, "f", some.data(), 64, 0); }},
        {"download no data", [] { return getStartDownFileData(1, "f", nullptr, 64, 0); }},
        {"download no length", [&] { return getStartDownFileData(1, "f", some.data(), 0, 0); }},
        {"image shorter than a row", [&] { return getStartDownFileData(4, "f", some.data(), 64, 0); }},
        {"custom print no pixels", [] { return RD_getStartDownCustomPrintData(1, 2, nullptr, 8, 8); }},
    };
    for (const auto& [name, build] : table) EXPECT_TRUE(take(build()).empty()) << name;
    setODMPrinterType(5);  // no print width known: no image download
    EXPECT_TRUE(take(getStartDownFileData(4, "f", some.data(), 64, 0)).empty());
    // Feed mode 257 is 1 in its low 8 bits.
    setODMPrinterType(28);
    EXPECT_EQ(framesOf(setPrinterPrintFeedData("257,5"))[0].payload, (Bytes{1, 5, 0}));
}

TEST(CommandBuilders, ConnectionStartAndEncryptionByFamily) {
    {
        ProtocolStateGuard state(28);
        std::strcpy(kvConnectionCache()->snStr, "old");
        auto frames = framesOf(getProtocolData());
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0].subCmd, 1);
        EXPECT_EQ(frames[1].subCmd, 6);
        EXPECT_EQ(kvConnectionCache()->snStr[0], '\0');
        EXPECT_EQ(getEncryptType(), 0);
    }
    for (uint32_t type : {163u, 30u}) {
        ProtocolStateGuard state(type);
        Bytes bytes = take(getProtocolData());
        auto frames = splitFrames(bytes);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].subCmd, 1);
        EXPECT_EQ(bytes[type == 163 ? 1 : 3], type == 163 ? 0x20 : 0x00);
    }
    ProtocolStateGuard state(163);
    EXPECT_EQ(getEncryptType(), 2);
    Bytes speed = take(setPrinterPrintSpeedData(2));
    EXPECT_EQ(speed.size(), 24u);
    EXPECT_EQ(splitFrames(speed)[0].payload, Bytes{2});
}

TEST(CommandBuilders, StrRepleceInPlace) {
    char text[32] =
        "a\xEF\xBC\x8C"
        "b\xEF\xBC\x8C\xEF\xBC\x8C"
        "c";
    strReplece(text, "\xEF\xBC\x8C", ",");
    EXPECT_STREQ(text, "a,b,,c");
    char same[16] = "abab";
    strReplece(same, "ab", "xyz");  // longer replacement would overflow: unchanged
    EXPECT_STREQ(same, "abab");
    strReplece(same, "", "x");
    EXPECT_STREQ(same, "abab");
    strReplece(same, "ba", "");
    EXPECT_STREQ(same, "ab");
}

TEST(FileDownload, PiecesOffsetsAndEnd) {
    ProtocolStateGuard state(28);
    setDownFileOnePackage(100);
    Bytes data(250);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i);
    auto start = framesOf(getStartDownFileData(2, "", data.data(), 250, 1000));
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(start[0].payload,
              (Bytes{1, 2, 0, 2, 0, 2, 4, 0, 250, 0, 0, 0, 3, 7, 0, 'b', 'i', 'n', 'N', 'a', 'm', 'e'}));
    EXPECT_EQ(kvDownFileProgress()->totalLength, 250u);
    const uint32_t expectOffsets[] = {1000, 1100, 1200};
    const uint16_t expectLengths[] = {100, 100, 50};
    for (int piece = 0; piece < 3; ++piece) {
        auto frames = framesOf(getDownFileNextPackData());
        ASSERT_EQ(frames.size(), 1u);
        const Bytes& p = frames[0].payload;
        EXPECT_EQ(frames[0].subCmd, 3);
        EXPECT_EQ(p[0] | p[1] << 8, piece + 1);
        EXPECT_EQ(p[2] | p[3] << 8, expectLengths[piece]);
        EXPECT_EQ(le32(p, 4), expectOffsets[piece]);
        EXPECT_EQ(p.size(), 8u + expectLengths[piece]);
        EXPECT_EQ(p[8], uint8_t(piece * 100));
        EXPECT_EQ(kvDownFileProgress()->currentLength, uint32_t(piece * 100));
    }
    auto end = framesOf(getDownFileNextPackData());
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(end[0].subCmd, 2);
    EXPECT_EQ(framesOf(getDownFileNextPackData())[0].subCmd, 2);  // nothing kept after the end
}

TEST(FileDownload, ImageFileAndCustomPrintAreThresholdedBitmaps) {
    ProtocolStateGuard state(27);  // print width 384 dots
    const uint8_t savedThreshold = imgThresholdValue;
    setThreshold(142);
    Bytes pixels(384 * 2 * 4, 255);
    for (int i = 0; i < 4; ++i) pixels[size_t(i) * 4] = 0;                      // alpha does not count
    pixels[1] = pixels[2] = pixels[3] = 0;                                      // first dot black
    pixels[4 * 9 + 1] = 142, pixels[4 * 9 + 2] = 143, pixels[4 * 9 + 3] = 143;  // 142.59: grey 142 prints
    auto start = framesOf(getStartDownFileData(4, nullptr, pixels.data(), uint32_t(pixels.size()), 0));
    ASSERT_EQ(start.size(), 1u);
    const Bytes& p = start[0].payload;
    EXPECT_EQ(le32(p, 8), 96u);  // 48 bytes x 2 rows
    EXPECT_EQ(Bytes(p.begin() + 12, p.begin() + 15), (Bytes{3, 10, 0}));
    EXPECT_EQ(std::string(p.begin() + 15, p.begin() + 25), "imageModel");
    EXPECT_EQ(Bytes(p.begin() + 25, p.end()), (Bytes{4, 2, 0, 0x80, 1, 5, 2, 0, 2, 0}));
    auto piece = framesOf(getDownFileNextPackData());
    EXPECT_EQ(piece[0].payload[8], 0x80);
    EXPECT_EQ(piece[0].payload[9], 0x40);
    take(getDownFileEnd());

    auto custom = framesOf(RD_getStartDownCustomPrintData(7, 8, pixels.data(), 16, 3));
    ASSERT_EQ(custom.size(), 1u);
    EXPECT_EQ(custom[0].payload, (Bytes{1, 1, 0, 7, 2, 1, 0, 8, 3, 2, 0, 16, 0, 4, 2, 0, 3, 0}));
    auto first = framesOf(RD_getDownCustomPrintNextPackData());
    EXPECT_EQ(first[0].subCmd, 11);
    EXPECT_EQ(Bytes(first[0].payload.begin(), first[0].payload.begin() + 4), (Bytes{0, 0, 6, 0}));
    EXPECT_EQ(first[0].payload[4], 0x80);
    uint32_t sent = 0, total = 0;
    RD_getDownCustomPrintProgress(&sent, &total);
    EXPECT_EQ(sent, 6u);
    EXPECT_EQ(total, 6u);
    EXPECT_EQ(framesOf(RD_getDownCustomPrintNextPackData())[0].subCmd, 10);
    setThreshold(savedThreshold);
}
