// The filter run as CUPS runs it: arguments, PPD, raster pages, job framing,
// standard error lines, and every kind of bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "tests/toolkit/toolkit.h"

using kvtest::FilterJob;
using kvtest::FilterRun;
using kvtest::RasterPage;

namespace {

class FilterRunTest : public ::testing::Test {
protected:
    FilterRun run(FilterJob job) { return kvtest::runFilter(job, dir.path()); }
    std::string ppd(const kvtest::Ppd& p) { return kvtest::writePpd(dir.path(), p); }
    std::string escPpd() {
        return ppd({.defaults = {{"DefaultResolution", "203dpi"}}, .attributes = {{"KVAttr", "PrinterModel", "ESC"}}});
    }
    kvtest::TempDir dir;
};

const std::string kEscInit = "\x1B\x40";

TEST_F(FilterRunTest, WrongArgumentCountIsAUsageError) {
    for (std::vector<std::string> args : {std::vector<std::string>{"1", "u", "t", "1"},
                                          std::vector<std::string>{"1", "u", "t", "1", "", "f", "extra"}}) {
        FilterJob job;
        job.args = args;
        const FilterRun r = run(job);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "ERROR: rastertokvlabel job-id user title copies options [file]\n");
        EXPECT_NE(r.log().find("Input param is not enough\r\n"), std::string::npos);
    }
}

TEST_F(FilterRunTest, LogStartsWithEnterMainAndListsArguments) {
    const FilterRun r = run({.input = kvtest::rasterStream({kvtest::grayPage(8, 2)})});
    const std::string log = r.log();
    ASSERT_GT(log.size(), 20u);
    EXPECT_EQ(log.substr(20, 12), "Enter main\r\n");
    EXPECT_NE(log.find("argv[2]:user\r\n"), std::string::npos);
    EXPECT_NE(log.find("cups_file is not null\r\n"), std::string::npos);
    EXPECT_NE(log.find("Exit main\r\n"), std::string::npos);
}

TEST_F(FilterRunTest, EmptyEscPosJobIsStartAndEndSequences) {
    const std::string path = ppd({.defaults = {{"DefaultCashDrawer", "3"}, {"DefaultBeeper", "4"}},
                                  .attributes = {{"KVAttr", "PrinterModel", "ESC"}}});
    const FilterRun r = run({.ppdPath = path, .input = ""});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(kvtest::hex(r.out), "1B 40 1B 42 04 01 1B 70 00 19 FF 1B 70 01 19 FF 1B 40");
    EXPECT_EQ(r.err, "");
}

TEST_F(FilterRunTest, EscPosJobEndSequences) {
    struct Case {
        std::string options;
        std::string end;
    } cases[] = {
        {"CashDrawer=4", "1B 70 00 19 FF 1B 40"},
        {"CashDrawer=5 Cutting=2", "1B 70 01 19 FF 1D 56 42 00 1B 40"},
        {"CashDrawer=6 Cutting=2 Beeper=3", "1B 70 00 19 FF 1B 70 01 19 FF 1D 56 42 00 1B 42 04 01 1B 40"},
        {"Beeper=1 Cutting=1 CashDrawer=0", "1B 40"},
    };
    const std::string path = escPpd();
    for (const auto& c : cases) {
        const FilterRun r = run({.options = c.options, .ppdPath = path, .input = "garbage"});
        EXPECT_EQ(kvtest::hex(r.out), "1B 40 " + c.end) << c.options;
    }
}

TEST_F(FilterRunTest, PageLinesAndRowPadding) {
    RasterPage grey = kvtest::grayPage(10, 3, 0);
    grey.numCopies = 2;
    RasterPage rgb;
    rgb.space = CUPS_CSPACE_RGB;
    rgb.width = 3;
    rgb.height = 2;
    rgb.data.assign(9 * 2, 0);
    const FilterRun r = run({.ppdPath = ppd({.attributes = {{"KVAttr", "PrinterModel", "TSPL"}}}),
                             .input = kvtest::rasterStream({grey, rgb})});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "PAGE: 1 2\nPAGE: 2 1\n");
    const std::string log = r.log();
    EXPECT_NE(log.find("2、bytesPerLine = 16,header.cupsHeight = 3\r\n"), std::string::npos);
    EXPECT_NE(log.find("3、Width = 16,height = 3\r\n"), std::string::npos);
    EXPECT_NE(log.find("colorSpace = 1,CUPS_CSPACE_RGB\r\n"), std::string::npos);
    EXPECT_NE(log.find("2、bytesPerLine = 24,header.cupsHeight = 2\r\n"), std::string::npos);
    EXPECT_NE(log.find("3、Width = 8,height = 2\r\n"), std::string::npos);
    EXPECT_NE(log.find("不是灰度图片？ PPD被篡改？\r\n"), std::string::npos);
}

TEST_F(FilterRunTest, UnassignedDeviceTypeReportsPagesButPrintsNothing) {
    const FilterRun r = run({.ppdPath = ppd({.defaults = {{"DefaultPrinterModel", "160"}}}),
                             .input = kvtest::rasterStream({kvtest::grayPage(8, 1), kvtest::grayPage(8, 1)})});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "PAGE: 1 1\nPAGE: 2 1\n");
}

// A job whose file is gone has failed: the scheduler must not mark it printed.
TEST_F(FilterRunTest, InputFileThatCannotBeOpenedIsAnError) {
    const FilterRun r = run({.ppdPath = escPpd(), .inputFile = dir.file("missing.ras")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Unable to open the print file: No such file or directory\n");
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.log().find("User Choose Darkness:0"), std::string::npos);  // settings still parsed
}

TEST_F(FilterRunTest, InputFromNamedFile) {
    const std::string path = dir.file("job.ras");
    std::ofstream(path, std::ios::binary) << kvtest::rasterStream({kvtest::grayPage(8, 1)});
    const FilterRun r = run({.ppdPath = escPpd(), .inputFile = path});
    EXPECT_EQ(r.err, "PAGE: 1 1\n");
}

TEST_F(FilterRunTest, BadRasterInputEndsTheJobCleanly) {
    RasterPage cut = kvtest::grayPage(16, 4000, 0);
    cut.data.resize(16 * 10);  // rows after the tenth are missing
    const RasterPage huge = {.width = 1u << 20, .height = 1u << 12, .headerOnly = true};
    const RasterPage tall = {.width = 8, .height = 0xFFFFFFF0u, .headerOnly = true};
    std::string truncated = kvtest::rasterStream({kvtest::grayPage(64, 64, 0)}, false);
    truncated.resize(truncated.size() / 2);
    const std::string tooLarge = "PAGE: 1 1\nERROR: Page is larger than the printer's largest media\n";
    struct Case {
        const char* name;
        std::string input;
        std::string err;
        int status;
    } cases[] = {
        {"not a raster stream", "%!PS-Adobe-3.0\nshowpage\n", "", 0},
        {"empty input", "", "", 0},
        {"stream cut inside a page", truncated, "PAGE: 1 1\n", 0},
        {"page too big to hold", kvtest::rasterStream({huge}), tooLarge, 1},
        {"page taller than can be held", kvtest::rasterStream({tall, kvtest::grayPage(8, 1)}), tooLarge, 1},
    };
    for (const auto& c : cases) {
        const FilterRun r = run({.ppdPath = escPpd(), .input = c.input});
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.signal, 0) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
        ASSERT_GE(r.out.size(), 4u) << c.name;
        EXPECT_EQ(r.out.substr(0, 2), kEscInit) << c.name;
        EXPECT_EQ(r.out.substr(r.out.size() - 2), kEscInit) << c.name;  // job end still written
    }
    const FilterRun shortPage = run({.ppdPath = escPpd(), .input = kvtest::rasterStream({cut})});
    EXPECT_EQ(shortPage.err, "PAGE: 1 1\n");
}

TEST_F(FilterRunTest, NonNumericOptionsReadAsZero) {
    const FilterRun r = run({.options = "Darkness=dark PrintMode=x5 Cutting=2abc", .ppdPath = escPpd(), .input = ""});
    EXPECT_EQ(r.status, 0);
    const std::string log = r.log();
    EXPECT_NE(log.find("User Choose Darkness:0\r\n"), std::string::npos);
    EXPECT_NE(log.find("User Choose Mode:0\r\n"), std::string::npos);
    EXPECT_EQ(kvtest::hex(r.out), "1B 40 1D 56 42 00 1B 40");  // "2abc" reads as 2
}

// Printer bytes that can't be delivered are a failed job, not a printed one.
TEST_F(FilterRunTest, OutputThatCannotBeWrittenFailsTheJob) {
    const std::string input = kvtest::rasterStream({kvtest::grayPage(8, 2, 0)});
    struct Case {
        kvtest::Output output;
        const char* error;
    } cases[] = {
        {kvtest::Output::Closed, "Bad file descriptor"},
        {kvtest::Output::Full, "No space left on device"},
    };
    for (const Case& c : cases) {
        const FilterRun r = run({.ppdPath = escPpd(), .input = input, .output = c.output});
        EXPECT_EQ(r.status, 1) << c.error;
        EXPECT_EQ(r.err, std::string("PAGE: 1 1\nERROR: Unable to write print data: ") + c.error + "\n");
    }
}

// SIGTERM between pages: the page already sent stays whole, the next one is not
// started, the job end sequence (here with the cut) still goes out, and the
// filter ends normally.
TEST_F(FilterRunTest, CancelEndsTheJobBetweenPagesWithTheEndSequence) {
    const std::string path = escPpd();
    const std::string firstPage = kvtest::rasterStream({kvtest::grayPage(8, 4, 0)});
    const FilterRun alone = run({.options = "Cutting=2", .ppdPath = path, .input = firstPage});
    ASSERT_EQ(alone.status, 0);
    const std::string end("\x1D\x56\x42\x00\x1B\x40", 6);
    ASSERT_EQ(alone.out.substr(alone.out.size() - end.size()), end);

    const std::string twoPages = kvtest::rasterStream({kvtest::grayPage(8, 4, 0), kvtest::grayPage(8, 4, 0)});
    ASSERT_EQ(twoPages.compare(0, firstPage.size(), firstPage), 0);
    const FilterRun r = run({.options = "Cutting=2",
                             .ppdPath = path,
                             .input = twoPages,
                             .cancel = kvtest::Cancel{firstPage.size(), alone.out.size() - end.size()}});
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "PAGE: 1 1\n");
    EXPECT_EQ(kvtest::hex(r.out), kvtest::hex(alone.out));
}

// A colour space beyond the enumeration is a number like any other: logged as
// such, and the page is read as one byte a pixel.
TEST_F(FilterRunTest, ColourSpaceOutsideTheEnumerationIsReadAsANumber) {
    RasterPage page = kvtest::grayPage(8, 2, 0);
    page.patchHeader = [](cups_page_header2_t& h) {
        const uint32_t value = 0xFFFFFFFFu;
        std::memcpy(&h.cupsColorSpace, &value, sizeof value);
    };
    const FilterRun r = run({.ppdPath = escPpd(), .input = kvtest::rasterStream({page})});
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "PAGE: 1 1\n");
    EXPECT_NE(r.log().find("colorSpace = -1\r\n"), std::string::npos);
    EXPECT_NE(r.log().find("2、bytesPerLine = 8,header.cupsHeight = 2\r\n"), std::string::npos);
}

}  // namespace
