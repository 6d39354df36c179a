// Job settings: command line, PPD defaults, maker attributes and job options,
// in their order of precedence.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "filter/settings_reader.h"
#include "tests/toolkit/toolkit.h"

namespace {

class JobSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setDebugLogDirectory(dir.path().c_str());
        devType = 1;
        odmType = 28;
        unsetenv("PPD");
    }
    void TearDown() override {
        closeDebugLog();
        unsetenv("PPD");
    }

    // Parses like the entry point does: argument 5 through the CUPS option parser.
    JobSettings parse(const std::string& options) {
        JobSettings s{};
        cups_option_t* opts = nullptr;
        const int n = cupsParseOptions(options.c_str(), 0, &opts);
        set_pstops_options(&s, argv.data(), n, opts);
        cupsFreeOptions(n, opts);
        return s;
    }
    void usePpd(const kvtest::Ppd& ppd) { setenv("PPD", kvtest::writePpd(dir.path(), ppd).c_str(), 1); }
    std::string log() {
        closeDebugLog();
        return kvtest::readFile(dir.file("LxxLog.log"));
    }

    kvtest::TempDir dir;
    std::vector<std::string> args = {"rastertokvlabel", "42", "alice", "label", "3", ""};
    std::vector<char*> argv = {args[0].data(), args[1].data(), args[2].data(),
                               args[3].data(), args[4].data(), args[5].data()};
};

TEST_F(JobSettingsTest, NoPpdLeavesEverythingZeroAndModelL50) {
    const JobSettings s = parse("");
    EXPECT_EQ(devType, 1);
    EXPECT_EQ(odmType, 28);
    EXPECT_EQ(s.jobId, 42);
    EXPECT_STREQ(s.user, "alice");
    EXPECT_EQ(s.copies, 3);
    EXPECT_EQ(s.darkness, 0);
    EXPECT_EQ(s.maxWidthMM, 0);
    EXPECT_EQ(s.noCompressie, 0);
    EXPECT_EQ(s.compressie, 0);
    EXPECT_NE(log().find("can't param ppdfile\r\n"), std::string::npos);
}

TEST_F(JobSettingsTest, GarbageOrEmptyPpdCountsAsMissing) {
    for (const char* content : {"", "this is not a PPD\n\x01\x02"}) {
        const std::string path = dir.file("bad.ppd");
        FILE* f = fopen(path.c_str(), "w");
        fputs(content, f);
        fclose(f);
        setenv("PPD", path.c_str(), 1);
        devType = 1;
        const JobSettings s = parse("Darkness=5");
        EXPECT_EQ(devType, 1);
        EXPECT_EQ(s.darkness, 5);
        EXPECT_EQ(s.maxWidthMM, 0);
    }
}

TEST_F(JobSettingsTest, PpdDefaultsThenJobOptionsOverride) {
    usePpd({.defaults = {{"DefaultDarkness", "8"},
                         {"DefaultPrintSpeed", "4"},
                         {"DefaultResolution", "203dpi"},
                         {"DefaultMediaTracking", "1"},
                         {"DefaultCutting", "1"}}});
    const JobSettings s = parse("Darkness=12 MediaTracking=abc Horizontal=-7 Vertical=70000");
    EXPECT_EQ(s.darkness, 12);
    EXPECT_EQ(s.printSpeed, 4);
    EXPECT_EQ(s.resolution, 203);
    EXPECT_EQ(s.mediaTracking, 0);  // not a number reads as 0
    EXPECT_EQ(s.horizontal, -7);
    EXPECT_EQ(s.vertical, 70000 - 65536);  // int16 keeps the low 16 bits
    EXPECT_EQ(s.cutting, 1);
    EXPECT_EQ(s.maxWidthMM, -1);
    EXPECT_EQ(s.noCompressie, 300000);
    EXPECT_EQ(s.compressie, 64000);
    const std::string text = log();
    EXPECT_NE(text.find("ppdfile DefaultDarkness:8\r\n"), std::string::npos);
    EXPECT_NE(text.find("User Choose Darkness:12\r\n"), std::string::npos);
    EXPECT_NE(text.find("User Choose  Cutting:1\r\n"), std::string::npos);
}

TEST_F(JobSettingsTest, FirstOccurrenceOfAnOptionCounts) {
    // The CUPS parser merges duplicate names, so build the list by hand.
    JobSettings s{};
    cups_option_t opts[] = {{const_cast<char*>("Cutting"), const_cast<char*>("1")},
                            {const_cast<char*>("Beeper"), const_cast<char*>("3")},
                            {const_cast<char*>("Cutting"), const_cast<char*>("2")}};
    set_pstops_options(&s, argv.data(), 3, opts);
    EXPECT_EQ(s.cutting, 1);
    EXPECT_EQ(s.beeper, 3);
    EXPECT_NE(log().find("2、Cutting:2\r\n"), std::string::npos);
}

TEST_F(JobSettingsTest, MakerAttributes) {
    usePpd({.attributes = {{"KVAttr", "PrinterMaxWidthMM", "72"},
                           {"KVAttr", "CompressiePrint", "1"},
                           {"KVAttr", "NoCompressie", "5000000000"},
                           {"KVAttr", "Compressie", "900"}}});
    const JobSettings s = parse("");
    EXPECT_EQ(s.maxWidthMM, 72);
    EXPECT_EQ(s.isCompressie, 1);
    EXPECT_EQ(s.noCompressie, 5000000000LL);
    EXPECT_EQ(s.compressie, 900);
}

// Compression is a queue option: the PPD default (which lpadmin's
// IsCompressie-default rewrites) and a job's IsCompressie both count, the job last.
TEST_F(JobSettingsTest, CompressionIsAQueueAndJobOption) {
    usePpd({.defaults = {{"DefaultIsCompressie", "1"}}});
    EXPECT_EQ(parse("").isCompressie, 1);
    EXPECT_EQ(parse("IsCompressie=0").isCompressie, 0);
    usePpd({.defaults = {{"DefaultIsCompressie", "0"}}, .attributes = {{"KVAttr", "CompressiePrint", "0"}}});
    EXPECT_EQ(parse("IsCompressie=1").isCompressie, 1);
}

struct ModelCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> defaults;
    std::vector<std::tuple<std::string, std::string, std::string>> attributes;
    int32_t devType;
    uint8_t odmType;
};

TEST_F(JobSettingsTest, PrinterModelSources) {
    const ModelCase cases[] = {
        {"kvattr TSPL", {}, {{"KVAttr", "PrinterModel", "TSPL"}}, 161, 28},
        {"kvattr lower case", {}, {{"KVAttr", "PrinterModel", "tspl"}}, 1, 28},
        {"kvattr L60B", {}, {{"KVAttr", "PrinterModel", "L60B"}}, 5, 28},
        {"printer size", {}, {{"ExtensionAttr", "PrinterSize", "300.161"}}, 161, 44},
        {"printer size without dot", {}, {{"ExtensionAttr", "PrinterSize", "300"}}, 1, 28},
        {"default then kvattr", {{"DefaultPrinterModel", "162"}}, {{"KVAttr", "PrinterModel", "CPCL"}}, 163, 28},
        {"extension wins wherever it is",
         {{"DefaultPrinterModel", "162"}},
         {{"ExtensionAttr", "PrinterSize", "28.164"}, {"KVAttr", "PrinterModel", "CPCL"}},
         164,
         28},
        {"numeric model", {{"DefaultPrinterModel", "6"}}, {}, 6, 28},
        // No device number after the dot: no device is named, the queue stays what it was.
        {"printer size without a device part",
         {},
         {{"KVAttr", "PrinterModel", "TSPL"}, {"ExtensionAttr", "PrinterSize", "28."}},
         161,
         28},
        {"printer size of a dot alone",
         {},
         {{"KVAttr", "PrinterModel", "ESC"}, {"ExtensionAttr", "PrinterSize", "."}},
         164,
         28},
        {"printer size with words after the dot",
         {},
         {{"KVAttr", "PrinterModel", "ZPL"}, {"ExtensionAttr", "PrinterSize", "44.ZPL"}},
         162,
         28},
        {"long halves are cut, not overrun",
         {},
         {{"ExtensionAttr", "PrinterSize", std::string(60, '1') + "." + std::string(60, '2')}},
         // 49 digits of 2 don't fit 32 bits: the value wraps like any oversized number.
         static_cast<int32_t>(static_cast<uint32_t>(std::strtoll(std::string(49, '2').c_str(), nullptr, 10))),
         static_cast<uint8_t>(static_cast<uint32_t>(std::strtoll(std::string(49, '1').c_str(), nullptr, 10)))},
    };
    for (const ModelCase& c : cases) {
        devType = 1;
        odmType = 28;
        usePpd({.defaults = c.defaults, .attributes = c.attributes});
        parse("");
        EXPECT_EQ(devType, c.devType) << c.name;
        EXPECT_EQ(odmType, c.odmType) << c.name;
    }
}

// The largest media in dots: the custom size limits and the paper sizes, at the
// PPD's highest resolution; nothing without media or without a resolution.
TEST_F(JobSettingsTest, LargestMediaFromThePpd) {
    const std::string resolutions =
        "*OpenUI *Resolution/Resolution: PickOne\n*DefaultResolution: 203dpi\n"
        "*Resolution 203dpi/203 DPI: \"\"\n*Resolution 300x600dpi/300 x 600 DPI: \"\"\n*CloseUI: *Resolution\n";
    const std::string paper =
        "*OpenUI *PageSize/Media Size: PickOne\n*DefaultPageSize: w288h432\n"
        "*PageSize w288h432/4 x 6 in: \"\"\n*PageSize w113h85/40 x 30 mm: \"\"\n*CloseUI: *PageSize\n"
        "*DefaultPaperDimension: w288h432\n*PaperDimension w288h432/4 x 6 in: \"288 432\"\n"
        "*PaperDimension w113h85/40 x 30 mm: \"113.39 85.04\"\n";
    const std::string custom =
        "*VariablePaperSize: True\n*MaxMediaWidth: \"300\"\n*MaxMediaHeight: \"2000\"\n"
        "*CustomPageSize True: \"pop pop pop <</PageSize[5 -2 roll]/ImagingBBox null>>setpagedevice\"\n"
        "*ParamCustomPageSize Width: 1 points 36 300\n*ParamCustomPageSize Height: 2 points 36 2000\n"
        "*ParamCustomPageSize WidthOffset: 3 points 0 0\n*ParamCustomPageSize HeightOffset: 4 points 0 0\n"
        "*ParamCustomPageSize Orientation: 5 int 0 0\n";
    struct Case {
        const char* name;
        std::string extra;
        int32_t width, height;
    } cases[] = {
        // 288 x 432 points at 600 dpi (the larger of 300 x 600).
        {"paper sizes", resolutions + paper, 2400, 3600},
        // Custom sizes up to 300 x 2000 points: wider and longer than any paper size.
        {"custom size limits", resolutions + paper + custom, 2500, 16667},
        {"no resolution", paper, 0, 0},
        {"no media", resolutions, 0, 0},
    };
    for (const Case& c : cases) {
        usePpd({.extra = c.extra});
        const JobSettings s = parse("");
        EXPECT_EQ(s.mediaMaxWidthDots, c.width) << c.name;
        EXPECT_EQ(s.mediaMaxHeightDots, c.height) << c.name;
    }
    unsetenv("PPD");
    EXPECT_EQ(parse("").mediaMaxWidthDots, 0);
}

}  // namespace
