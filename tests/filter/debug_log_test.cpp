// Diagnostic log and send-data dump: line format, fresh files per run,
// silent failure when the directory can't be written.
#include <gtest/gtest.h>

#include <filesystem>

#include "filter/debug_log.h"
#include "filter/seams.h"
#include "tests/toolkit/toolkit.h"

namespace {

std::time_t fixedClock() { return 1700000000; }

TEST(DebugLog, LineFormatAndReturnValue) {
    kvtest::TempDir dir;
    setDebugLogDirectory(dir.path().c_str());
    setKvClock(fixedClock);
    EXPECT_EQ(writeLogString("colorSpace = %d", 7), 14);
    EXPECT_EQ(writeLogString("Gray2Bytes: Enter function\r\n"), 28);
    setKvClock(nullptr);
    closeDebugLog();
    const std::string text = kvtest::readFile(dir.file("LxxLog.log"));
    std::tm local{};
    const std::time_t t = fixedClock();
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &local);
    EXPECT_EQ(text, std::string(stamp) + "colorSpace = 7\r\n" + stamp + "Gray2Bytes: Enter function\r\n\r\n");
}

TEST(DebugLog, EachRunStartsAfreshAndDumpIsRawBytes) {
    kvtest::TempDir dir;
    for (int run = 0; run < 2; ++run) {
        setDebugLogDirectory(dir.path().c_str());
        writeLogString("run %d", run);
        const uint8_t bytes[] = {0x00, 0xFF, 0x1B, static_cast<uint8_t>(run)};
        writeDebugData(bytes, sizeof bytes);
        writeDebugData(nullptr, 5);
        closeDebugLog();
    }
    const std::string text = kvtest::readFile(dir.file("LxxLog.log"));
    EXPECT_EQ(text.find("run 0"), std::string::npos);
    EXPECT_NE(text.find("run 1\r\n"), std::string::npos);
    EXPECT_EQ(kvtest::readFile(dir.file("LxxSendData.bin")), std::string("\x00\xFF\x1B\x01", 4));
}

TEST(DebugLog, MissingDirectoryDropsSilentlyAndDumpUntouchedWithoutData) {
    kvtest::TempDir dir;
    setDebugLogDirectory((dir.path() + "/missing").c_str());
    EXPECT_EQ(writeLogString("lost"), -1);
    writeDebugData("x", 1);
    closeDebugLog();
    setDebugLogDirectory(dir.path().c_str());
    writeLogString("only the log");
    closeDebugLog();
    EXPECT_FALSE(std::filesystem::exists(dir.file("LxxSendData.bin")));
}

}  // namespace
