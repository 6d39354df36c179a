// Page loop run in-process: what it writes back into the job settings
// (print mode 5 replaced by the device's own mode, label size in millimetres).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "filter/page_loop.h"
#include "filter/settings_reader.h"
#include "tests/toolkit/toolkit.h"

namespace {

class PageLoopTest : public ::testing::Test {
protected:
    void SetUp() override { setDebugLogDirectory(dir.path().c_str()); }
    void TearDown() override {
        closeDebugLog();
        devType = 1;
        odmType = 28;
    }

    // Runs the loop on one page with the device's printer bytes sent to /dev/null.
    void runPage(JobSettings& s, uint32_t width, uint32_t height) {
        const std::string path = dir.file("page.ras");
        std::ofstream(path, std::ios::binary) << kvtest::rasterStream({kvtest::grayPage(width, height)});
        cups_file_t* in = cupsFileOpen(path.c_str(), "r");
        ASSERT_NE(in, nullptr);
        std::fflush(stdout);
        const int saved = dup(1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        print_bitmap(&s, in);
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
        close(null);
        cupsFileClose(in);
    }
    kvtest::TempDir dir;
};

TEST_F(PageLoopTest, PrintModeFiveBecomesTheDevicesMode) {
    const struct {
        int32_t devType;
        int16_t mode;
    } cases[] = {{161, 6}, {164, 6}, {4, 11}, {1, 9}, {0, 9}, {6, 9}};
    for (const auto& c : cases) {
        devType = c.devType;
        JobSettings s{};
        s.printMode = 5;
        s.resolution = 203;
        runPage(s, 8, 8);
        EXPECT_EQ(s.printMode, c.mode) << "devType " << c.devType;
        EXPECT_EQ(s.copies, 1);
    }
}

TEST_F(PageLoopTest, LabelSizeInMillimetres) {
    devType = 160;  // no generator: only the settings matter here
    const struct {
        int32_t resolution;
        uint32_t width, height;
        int32_t widthMM, heightMM;
    } cases[] = {
        {203, 384, 240, 48, 30},
        {203, 576, 8, 72, 1},
        {300, 1200, 600, 101, 50},
        {0, 384, 240, 0, 0},
        {-203, 384, 240, -48, -30},
        // 2^27 dots at 1 dpi is 3.4e9 mm: out of range, INT32_MIN as the processor's conversion gives.
        {1, 1u << 27, 1, INT32_MIN, 25},
    };
    for (const auto& c : cases) {
        JobSettings s{};
        s.resolution = c.resolution;
        s.mediaMaxWidthDots = 1 << 28;  // media wide enough for the 2^27-dot page
        s.mediaMaxHeightDots = 1 << 10;
        runPage(s, c.width, c.height);
        EXPECT_EQ(s.widthMM, c.widthMM) << c.resolution << " " << c.width;
        EXPECT_EQ(s.heightMM, c.heightMM) << c.resolution << " " << c.height;
    }
}

}  // namespace
