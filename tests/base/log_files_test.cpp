// Diagnostic log and send-data dump: line format, fresh files per run,
// silent failure when the directory can't be written, files that are not the
// filter's own left alone, one flush for a run of held lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "base/seams.h"
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

namespace {

namespace fs = std::filesystem;

// Writes one log line and one dump byte into `dir`, then closes both.
void writeBoth(const std::string& dir) {
    setDebugLogDirectory(dir.c_str());
    writeLogString("job line");
    writeDebugData("\x1B", 1);
    closeDebugLog();
}

// A link or a file someone else planted where the log or the dump goes is never
// written through: the filter often runs as root, and the dump's bytes come
// from the job.
TEST(DebugLog, PlantedLinksAndForeignFilesAreNotWritten) {
    for (const char* name : {"LxxLog.log", "LxxSendData.bin"}) {
        kvtest::TempDir dir;
        const std::string victim = dir.file("victim");
        std::ofstream(victim) << "keep";
        // A link to a file, a dangling link, and a second name of a file.
        fs::create_symlink(victim, dir.file(name));
        writeBoth(dir.path());
        EXPECT_EQ(kvtest::readFile(victim), "keep") << name;

        fs::remove(dir.file(name));
        fs::create_symlink(dir.file("created"), dir.file(name));
        writeBoth(dir.path());
        EXPECT_FALSE(fs::exists(dir.file("created"))) << name;

        fs::remove(dir.file(name));
        fs::create_hard_link(victim, dir.file(name));
        writeBoth(dir.path());
        EXPECT_EQ(kvtest::readFile(victim), "keep") << name;
    }
}

TEST(DebugLog, FileOfAnotherUserIsNotWritten) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file away";
    kvtest::TempDir dir;
    std::ofstream(dir.file("LxxLog.log")) << "theirs";
    ASSERT_EQ(chown(dir.file("LxxLog.log").c_str(), 65534, 65534), 0);
    setDebugLogDirectory(dir.path().c_str());
    EXPECT_EQ(writeLogString("mine"), -1);
    closeDebugLog();
    EXPECT_EQ(kvtest::readFile(dir.file("LxxLog.log")), "theirs");
}

TEST(DebugLog, FilesAreCreatedAndKeptPrivate) {
    kvtest::TempDir dir;
    std::ofstream(dir.file("LxxSendData.bin")) << "an older job";
    fs::permissions(dir.file("LxxSendData.bin"), fs::perms::all);
    writeBoth(dir.path());
    for (const char* name : {"LxxLog.log", "LxxSendData.bin"}) {
        EXPECT_EQ(fs::status(dir.file(name)).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << name;
    }
    EXPECT_EQ(kvtest::readFile(dir.file("LxxSendData.bin")), "\x1B");
}

TEST(DebugLog, HeldLinesAreFlushedOnceTheHoldEnds) {
    kvtest::TempDir dir;
    setDebugLogDirectory(dir.path().c_str());
    {
        const LogFlushHold outer;
        {
            const LogFlushHold inner;
            writeLogString("held");
        }
        EXPECT_EQ(kvtest::readFile(dir.file("LxxLog.log")), "");  // still in the stream's buffer
    }
    EXPECT_NE(kvtest::readFile(dir.file("LxxLog.log")).find("held\r\n"), std::string::npos);
    writeLogString("at once");
    EXPECT_NE(kvtest::readFile(dir.file("LxxLog.log")).find("at once\r\n"), std::string::npos);
    closeDebugLog();
}

// A log folder that is missing is tried once for a whole hold (a PPD may hold
// millions of attributes), and again at the next line after it.
TEST(DebugLog, MissingFolderIsTriedOncePerHold) {
    kvtest::TempDir dir;
    const std::string later = dir.file("later");
    setDebugLogDirectory(later.c_str());
    {
        const LogFlushHold hold;
        EXPECT_EQ(writeLogString("lost"), -1);
        fs::create_directories(later);
        EXPECT_EQ(writeLogString("lost too"), -1);
    }
    EXPECT_EQ(writeLogString("found"), 5);
    closeDebugLog();
    EXPECT_NE(kvtest::readFile(later + "/LxxLog.log").find("found\r\n"), std::string::npos);
}

}  // namespace
