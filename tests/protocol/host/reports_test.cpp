// JSON reports of printer replies: one table of payloads and expected
// reports for the classes, the tagged-list error cases, downloads with their
// progress, the status words, and reports too long for their field.
#include <gtest/gtest.h>

#include <cstring>

#include "protocol/command_builders.h"
#include "protocol/host/reply_analysis.h"
#include "tests/protocol/host/host_test_util.h"

using namespace kvhtest;

namespace {

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct ReportCase {
    const char* name;
    uint32_t family;
    uint8_t cmd, sub, kind;
    Bytes payload;
    uint32_t result;
    std::string json;  // the copy handed out
};

const std::string kNone = "{}";

std::vector<ReportCase> reportCases() {
    const std::string info = R"({"DevName":"L50","Firmware":"1.2","HWVer":"A","SN":"77"})";
    const std::string infoReport =
        "{\n\t\"DevName\":\t\"L50\",\n\t\"Firmware\":\t\"1.2\",\n\t\"HWVer\":\t\"A\",\n\t\"SN\":\t\"77\",\n"
        "\t\"devName\":\t\"L50\",\n\t\"firmware\":\t\"1.2\",\n\t\"hwVer\":\t\"A\",\n\t\"sn\":\t\"77\",\n";
    // clang-format off
    return {
        {"protocol", 28, 1, 1, 0x21, {1, 1, 0, 2, 2, 1, 0, 1, 3, 2, 0, 0, 8}, 1,
         report({{"pVer", "2"}, {"pAlgo", "1"}, {"pBuffLength", "2048"}})},
        {"power ack", 28, 1, 2, 0x21, {}, 1, kNone},
        {"system info", 28, 1, 3, 0x21, text(info), 1, infoReport + "\t\"manufacturer\":\t\"Kovali\"\n}"},
        {"system info other family", 31, 1, 3, 0x21, text(info), 1, infoReport + "\t\"manufacturer\":\t\"\"\n}"},
        {"system info maker", 28, 1, 3, 0x21, text(R"({"DevName":"a","Firmware":"b","HWVer":"c","SN":"d","Manufacturer":"M"})"),
         1, report({{"DevName", "a"}, {"Firmware", "b"}, {"HWVer", "c"}, {"SN", "d"}, {"Manufacturer", "M"},
                    {"devName", "a"}, {"firmware", "b"}, {"hwVer", "c"}, {"sn", "d"}, {"manufacturer", "M"}})},
        {"system info incomplete", 28, 1, 3, 0x21, text(R"({"DevName":"a","SN":""})"), 1, R"({"DevName":"a","SN":""})"},
        {"product", 28, 1, 4, 0x21, {1, 1, 0, 3, 3, 2, 0, 0xCB, 0, 4, 2, 0, 0x80, 1}, 1,
         report({{"devProdType", "3"}, {"dpi", "203"}, {"widthMaxDot", "384"}})},
        {"max px text", 28, 1, 5, 0x21, text("{\"w\":1}"), 1, "{\"w\":1}"},
        {"serial", 28, 1, 6, 0x21, text("SN-9"), 1, report({{"sn", "SN-9"}})},
        {"hardware", 28, 1, 10, 0x21, {1, 2, 0, 'V', '2', 2, 3, 0, 'M', 'C', 'U', 3, 1, 0, 1, 4, 2, 0, 0x10, 0x0E}, 1,
         report({{"hwVer", "V2"}, {"mcuChip", "MCU"}, {"powerMode", "1"}, {"powerVoltage", "3600"}})},
        {"power off time", 28, 1, 12, 0x21, {0x3C, 0}, 1, report({{"devAutoPowerOffTime", "60"}})},
        {"number of five bytes", 28, 1, 12, 0x21, {1, 2, 3, 4, 5}, 2, kNone},
        {"battery", 28, 1, 14, 0x21, {1, 2, 0, 0x6A, 1}, 1, report({{"batteryVoltage", "3.62"}})},
        {"battery notice", 28, 1, 15, 0x10, {2, 2, 0, 0xE8, 3, 3, 1, 0, 1}, 1,
         report({{"batteryPercent", "100.0"}, {"batteryState", "1"}})},
        {"battery notice as reply", 28, 1, 15, 0x21, {2, 2, 0, 0xE8, 3}, 2, kNone},
        {"temperature", 28, 1, 16, 0x21, {0x71, 1}, 1, report({{"devTemp", "36.9"}})},
        {"buttons", 28, 1, 81, 0x21, {1, 0, 2, 3}, 1,
         report({{"btn", "1"}, {"btnState", "0"}, {"longClick", "2"}, {"shortClick", "3"}})},
        {"buttons short", 28, 1, 81, 0x21, {1, 0, 2}, 2, kNone},
        {"failed reply", 28, 1, 6, 0x20, text("SN"), 2, kNone},
        {"wifi config", 28, 3, 6, 0x21, {1, 2, 0, 'n', 'e', 2, 1, 0, 'p'}, 1, report({{"ssid", "ne"}, {"pwd", "p"}})},
        {"wifi info", 28, 3, 7, 0x21,
         {1, 4, 0, 192, 168, 1, 10, 2, 6, 0, 0, 0x1A, 0x2B, 0x3C, 0x4D, 0xFE, 3, 4, 0, 255, 255, 255, 0,
          4, 4, 0, 192, 168, 1, 1, 5, 2, 0, 0x50, 0, 6, 1, 0, 1},
         1,
         report({{"ip", "192.168.1.10"}, {"mac", "0:1a:2b:3c:4d:fe"}, {"netmask", "255.255.255.0"},
                 {"gateway", "192.168.1.1"}, {"port", "80"}, {"DHCP", "1"}})},
        {"wifi address too short", 28, 3, 7, 0x21, {1, 3, 0, 192, 168, 1}, 2, kNone},
        {"wifi notice", 28, 3, 8, 0x10, {1}, 1, report({{"wifiWillDisconnect", "1"}})},
        {"ble name", 28, 4, 1, 0x21, text("KV"), 1, report({{"btName", "KV"}})},
        {"ble state", 28, 4, 13, 0x21, {1, 1, 0, 1, 2, 1, 0, 0}, 1,
         report({{"bleConnectState", "1"}, {"bleCommunicationEnable", "0"}})},
        {"ble empty", 28, 4, 2, 0x21, {}, 1, kNone},
        {"colour", 28, 5, 1, 0x21, {7, 0x10, 0x20, 0x30, 0, 5}, 1,
         report({{"supportColourful", "1"}, {"colorR", "16"}, {"colorG", "32"}, {"colorB", "48"},
                 {"supportGray", "0"}, {"colorGray", "5"}})},
        {"darkness", 28, 5, 3, 0x21, {5, 8}, 1, report({{"coarseDarkness", "5"}, {"fineDarkness", "8"}})},
        {"darkness short", 28, 5, 3, 0x21, {5}, 2, kNone},
        {"tph", 28, 5, 15, 0x21, {1, 1, 0, 4, 2, 2, 0, 'T', '1'}, 1, report({{"tphFactory", "4"}, {"tphModel", "T1"}})},
        {"paper", 28, 5, 16, 0x21, {1, 0x2D, 1}, 1, report({{"paperType", "1"}, {"paperLength", "30.1"}})},
        {"label learn", 28, 5, 18, 0x21, {1, 2, 0, 0xF6, 0xFF}, 1,
         report({{"paperLearnState", "1"}, {"paperType", "2"}, {"paperHaveCarbonRibbon", "0"}, {"paperHeight", "-1.0"}})},
        {"lack paper", 28, 5, 20, 0x21, {0, 1, 0}, 1,
         report({{"correlationLackPaper", "0"}, {"reflexLackPaper", "1"}, {"FrontOptocouplerLackPaper", "0"}})},
        {"bad spot", 28, 5, 21, 0x21, {1, 0x10, 1}, 1, report({{"badSpotDetection", "1"}, {"badSpotNumber", "272"}})},
        {"mileage", 28, 5, 23, 0x21, {0x39, 0x30, 0, 0}, 1, report({{"printMileage", "1234.5"}})},
        {"paper notice", 28, 5, 29, 0x10, {2}, 1, report({{"paperType", "2"}})},
        {"image start", 28, 5, 11, 0x21, {}, 0, kNone},
        {"image start refused", 28, 5, 11, 0x20, {}, 2, kNone},
        {"image data", 28, 5, 13, 0x10, {}, 0, kNone},
        {"unknown sub", 28, 5, 2, 0x21, {}, 3, kNone},
        {"unknown class", 28, 9, 1, 0x21, {}, 3, kNone},
        {"nfc notice", 28, 7, 1, 0x10, {1, 1, 0, 1, 2, 2, 0, 'N', '1', 3, 2, 0, 0xE8, 3}, 1,
         report({{"NFCStatus", "1"}, {"NFCCode", "N1"}, {"NFCMileage", "1000"}})},
        {"download start busy", 28, 2, 1, 0x21, {2, 0}, 1, report({{"downFileState", "4"}, {"downFileProgress", "0.000"}})},
        {"download start odd", 28, 2, 1, 0x21, {9, 0}, 2, report({{"downFileState", "9"}, {"downFileProgress", "0.000"}})},
        {"download start wrong kind", 28, 2, 1, 0x20, {1, 0}, 2,
         report({{"downFileState", "6"}, {"downFileProgress", "0.000"}})},
        {"download end", 28, 2, 2, 0x21, {}, 1, report({{"downFileState", "3"}, {"downFileProgress", "1.000"}})},
        {"download end wrong kind", 28, 2, 2, 0x20, {}, 2, report({{"downFileState", "6"}, {"downFileProgress", "1.000"}})},
        {"custom class for family 28", 28, 8, 1, 0x21, {1}, 3, kNone},
        {"custom enable", 30, 8, 1, 0x21, {1}, 1, report({{"setOfflinePrintEnableState", "1"}})},
        {"custom print state", 30, 8, 4, 0x21, {1, 2, 1}, 1,
         report({{"btn", "1"}, {"clickType", "2"}, {"getCustomPrintEnableState", "1"}})},
        {"custom offset", 30, 8, 8, 0x21, {1, 1, 0, 0x10, 0x0E, 0, 0}, 1,
         report({{"btn", "1"}, {"clickType", "1"}, {"offsetSign", "0"}, {"offsetValue", "3600"}})},
        {"custom refused", 30, 8, 2, 0x20, {1}, 2, kNone},
        {"custom start", 30, 8, 9, 0x21, {3}, 1,
         report({{"downCustomPrintState", "5"}, {"downCustomPrintProgress", "0.000"}})},
        {"custom start odd", 30, 8, 9, 0x21, {8}, 2, kNone},
        {"custom end", 30, 8, 10, 0x21, {}, 1,
         report({{"downCustomPrintState", "3"}, {"downCustomPrintProgress", "1.000"}})},
        {"family 30 unknown", 30, 5, 2, 0x21, {}, 3, kNone},
    };
    // clang-format on
}

}  // namespace

TEST(Reports, TableOfRepliesAndTheirReports) {
    for (const ReportCase& c : reportCases()) {
        SCOPED_TRACE(c.name);
        HostGuard guard(c.family);
        Received r = feed(replyFrame(c.cmd, c.sub, c.payload, c.kind));
        EXPECT_EQ(r.result, c.result);
        EXPECT_EQ(r.failed, c.result >= 2 ? 1 : 0);
        EXPECT_EQ(r.cmd, c.cmd);
        EXPECT_EQ(r.subCmd, c.sub);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.json, c.json);
    }
}

TEST(Reports, TaggedListErrors) {
    HostGuard guard(28);
    gstKVCmdDecodeInfo.cmd = 1;
    gstKVCmdDecodeInfo.subCmd = 1;
    // clang-format off
    struct Case {
        const char* name;
        Bytes list;
        uint32_t result;
        std::string report;
    } cases[] = {
        {"empty list", {}, 1, "{\n}"},
        {"ends inside the tag", {1, 1, 0, 2, 2}, 2, ""},
        {"ends inside the length", {1, 1, 0, 2, 2, 1}, 2, ""},
        {"last value runs past", {1, 1, 0, 2, 2, 5, 0, 1, 2}, 2, ""},
        {"length past 16-bit end", {3, 0xFF, 0xFF, 0}, 2, ""},
        {"number of five bytes", {3, 5, 0, 1, 2, 3, 4, 5}, 2, ""},
        {"unknown tags skipped", {9, 1, 0, 0xFF, 1, 0, 0, 2, 4, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 1,
         report({{"pVer", "0"}, {"pAlgo", "-1"}})},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(analysisDatas(c.list.data(), uint32_t(c.list.size())), c.result);
        EXPECT_EQ(std::string(gstKVCmdDecodeInfo.report), c.report);
    }
}

TEST(Reports, ConnectionCacheLearnsFromInformationReplies) {
    HostGuard guard(28);
    feed(replyFrame(1, 4, {4, 2, 0, 0x80, 1}));
    EXPECT_STREQ(kvConnectionCache()->widthMaxDotStr, "384");
    EXPECT_EQ(getMaxWidthDot_l(), 384);
    feed(replyFrame(1, 1, {1, 1, 0, 3, 3, 2, 0, 0, 8}));
    EXPECT_EQ(kvConnectionCache()->pVer, 3u);
    EXPECT_EQ(getDownFileOnePackage(), 2048u - 40u);
    feed(replyFrame(1, 6, text("SN-5")));
    EXPECT_STREQ(kvConnectionCache()->snStr, "SN-5");
}

TEST(Reports, FileDownloadProgressIsBytesSentOverTotal) {
    HostGuard guard(28);
    setDownFileOnePackage(100);
    Bytes file(250, 0x5A);
    kvptest::take(getStartDownFileData(1, "fw.bin", file.data(), uint32_t(file.size()), 0));
    kvptest::take(getDownFileNextPackData());
    kvptest::take(getDownFileNextPackData());  // bytes 100 to 199 go out
    Received r = feed(replyFrame(2, 3, {1, 0}));
    EXPECT_EQ(r.result, 1u);
    EXPECT_EQ(r.json, report({{"downFileState", "2"}, {"downFileProgress", "0.400"}}));
    r = feed(replyFrame(2, 3, {3, 0}));
    EXPECT_EQ(r.result, 1u);
    EXPECT_EQ(r.json, report({{"downFileState", "6"}, {"downFileProgress", "0.400"}}));
    r = feed(replyFrame(2, 3, {4, 0}));
    EXPECT_EQ(r.result, 2u);
    EXPECT_EQ(r.json, report({{"downFileState", "4"}, {"downFileProgress", "0.400"}}));
    kvptest::take(getDownFileEnd());
}

TEST(Reports, CustomPrintProgressIsBytesSentOverTotal) {
    HostGuard guard(30);
    setDownFileOnePackage(50);
    Bytes pixels(96 * 10 * 4, 0);  // 96 x 10 dots: 120 bitmap bytes
    kvptest::take(RD_getStartDownCustomPrintData(1, 2, pixels.data(), 96, 10));
    kvptest::take(RD_getDownCustomPrintNextPackData());
    Received r = feed(replyFrame(8, 11, {1}));
    EXPECT_EQ(r.result, 1u);
    EXPECT_EQ(r.json, report({{"downCustomPrintState", "2"}, {"downCustomPrintProgress", "0.417"}}));
    r = feed(replyFrame(8, 11, {2}));
    EXPECT_EQ(r.json, report({{"downCustomPrintState", "7"}, {"downCustomPrintProgress", "0.417"}}));
    r = feed(replyFrame(8, 11, {1}, 0x20));
    EXPECT_EQ(r.result, 2u);
    kvptest::take(RD_getDownCustomPrintEndPackData());
    // No download running: no division by zero.
    r = feed(replyFrame(8, 11, {1}));
    EXPECT_EQ(r.json, report({{"downCustomPrintState", "2"}, {"downCustomPrintProgress", "0.000"}}));
}

TEST(Reports, ReportLongerThanItsFieldFailsCleanly) {
    HostGuard guard(28);
    // 2040 control bytes print as \u0001 escapes: far beyond 4096 characters.
    Received r = feed(replyFrame(1, 8, Bytes(2040, 0x01)));
    EXPECT_EQ(r.result, 2u);
    EXPECT_EQ(r.json, "{}");
    // Many short entries: also too long.
    Bytes list;
    for (int i = 0; i < 500; ++i) list.insert(list.end(), {1, 1, 0, 7});
    r = feed(replyFrame(1, 1, list));
    EXPECT_EQ(r.result, 2u);
    EXPECT_EQ(gstKVCmdDecodeInfo.report[0], '\0');
    // The next reply reports normally.
    EXPECT_EQ(feed(replyFrame(5, 3, {1, 2})).result, 1u);
}

TEST(Reports, ReportHelpersWorkOnTheHandedOverPayload) {
    HostGuard guard(28);
    Bytes frame = replyFrame(1, 12, {0x2C, 0x01, 0, 0});
    for (uint8_t b : frame) HAL_KV_Packet_Decode(b);
    ASSERT_EQ(HAL_KV_AckToAPP_Process(), 1);
    EXPECT_EQ(setJsonIntValueWithKey("t", 2, 1), 1u);
    EXPECT_STREQ(gstKVCmdDecodeInfo.report, "{\n\t\"t\":\t\"30.0\"\n}");
    EXPECT_EQ(setJsonIntValueWithKey("t", 5, 0), 2u);  // more than the payload holds
    EXPECT_EQ(setJsonStrKeyValue("k", "v"), 1u);
    EXPECT_STREQ(gstKVCmdDecodeInfo.report, "{\n\t\"k\":\t\"v\"\n}");
    setJsonEmpty();
    EXPECT_STREQ(gstKVCmdDecodeInfo.report, "");
}

TEST(StatusWords, AppendedInBitOrder) {
    // clang-format off
    struct Case {
        int32_t mask;
        const char* chinese;
        const char* english;
    } cases[] = {
        {0x0003, "开盖;缺纸;", "Lid Opened;Lack Paper;"},
        {0, "", ""},
        {0x2400, "PSRAM 异常;关机中;", "Psram Error;Shutting Down;"},
        {int32_t(0xFFFFC000), "", ""},  // bits above 13 have no words
    };
    // clang-format on
    for (const Case& c : cases) {
        char zh[256] = "", en[256] = "";
        PrinterStatusFill(c.mask, zh, en);
        EXPECT_STREQ(zh, c.chinese);
        EXPECT_STREQ(en, c.english);
    }
    char zh[256] = "x:", en[256] = "x:";
    PrinterStatusFill(0x3FFF, zh, en);
    EXPECT_EQ(std::string(en).rfind("x:Lid Opened;Lack Paper;Paper Jammed;", 0), 0u);
    EXPECT_LE(strlen(zh) - 2, 180u);
    EXPECT_LE(strlen(en) - 2, 200u);
}
