// The log's hand-over to the installed sink: nothing without one, whole
// lines (stamp, message, CR LF) with one, long messages whole, flushes held
// by LogFlushHold and released once, dump bytes passed as they are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/debug_log.h"
#include "base/seams.h"

namespace {

struct Recorder final : LogSink {
    std::vector<std::string> lines;
    std::vector<bool> flushes;
    std::string dump;
    int endHolds = 0, closes = 0;
    bool accept = true;
    bool writeLine(std::string_view line, bool flush) override {
        lines.emplace_back(line);
        flushes.push_back(flush);
        return accept;
    }
    void writeDump(const void* bytes, size_t count) override { dump.append(static_cast<const char*>(bytes), count); }
    void endHold() override { ++endHolds; }
    void close() override { ++closes; }
};

std::time_t fixedClock() { return 1700000000; }

class SinkTest : public ::testing::Test {
protected:
    void SetUp() override { setKvClock(fixedClock); }
    void TearDown() override {
        setLogSink(nullptr);
        setKvClock(nullptr);
    }
    static std::string stamp() {
        const std::time_t t = fixedClock();
        std::tm local{};
        localtime_r(&t, &local);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S ", &local);
        return text;
    }
    Recorder sink;
};

TEST_F(SinkTest, NothingIsWrittenWithoutASink) {
    EXPECT_EQ(writeLogString("page %d", 1), -1);
    const char bytes[] = "xy";
    writeDebugData(bytes, 2);
    closeDebugLog();
    { LogFlushHold hold; }
    EXPECT_TRUE(sink.lines.empty());
}

TEST_F(SinkTest, LinesAndDumpReachTheSinkWhole) {
    setLogSink(&sink);
    EXPECT_EQ(writeLogString("colorSpace = %d", 7), 14);
    const std::string longText(3000, 'a');
    EXPECT_EQ(writeLogString("%s|%c", longText.c_str(), 0), 3002);
    ASSERT_EQ(sink.lines.size(), 2u);
    EXPECT_EQ(sink.lines[0], stamp() + "colorSpace = 7\r\n");
    EXPECT_EQ(sink.lines[1], stamp() + longText + "|" + std::string(1, '\0') + "\r\n");
    const unsigned char bytes[] = {0x00, 0xFF, 0x1B};
    writeDebugData(bytes, 3);
    writeDebugData(nullptr, 3);
    writeDebugData(bytes, -1);
    EXPECT_EQ(sink.dump, std::string("\x00\xFF\x1B", 3));
    sink.accept = false;
    EXPECT_EQ(writeLogString("refused"), -1);
    closeDebugLog();
    EXPECT_EQ(sink.closes, 1);
}

TEST_F(SinkTest, HeldLinesAreFlushedOnceWhenTheLastHoldEnds) {
    setLogSink(&sink);
    {
        LogFlushHold outer;
        {
            LogFlushHold inner;
            writeLogString("a");
        }
        EXPECT_EQ(sink.endHolds, 0);
        writeLogString("b");
    }
    EXPECT_EQ(sink.endHolds, 1);
    writeLogString("c");
    EXPECT_EQ(sink.flushes, (std::vector<bool>{false, false, true}));
}

}  // namespace
