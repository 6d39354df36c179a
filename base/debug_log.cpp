// The log line format and the hand-over of lines and dump bytes to the
// installed sink; with no sink, nothing is formatted or written.
#include "base/debug_log.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string>

#include "base/seams.h"

namespace {

struct LogState {
    LogSink* sink = nullptr;
    int flushHolds = 0;  // open LogFlushHold scopes
};

LogState& state() {
    static LogState s;
    return s;
}

// "YYYY-MM-DD hh:mm:ss " of the seam's clock in local time.
std::string timeStamp() {
    const std::time_t now = kvTime();
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 64> stamp{};
    const int n = std::snprintf(stamp.data(), stamp.size(), "%04d-%02d-%02d %02d:%02d:%02d ", local.tm_year + 1900,
                                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return std::string(stamp.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace

void setLogSink(LogSink* sink) { state().sink = sink; }

LogSink* logSink() { return state().sink; }

int writeLogString(const char* format, ...) {
    LogState& s = state();
    if (s.sink == nullptr) return -1;
    std::string line = timeStamp();
    const size_t start = line.size();
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    std::array<char, 512> small{};
    const int written = std::vsnprintf(small.data(), small.size(), format, args);
    va_end(args);
    if (written < 0) {
        va_end(again);
        return -1;
    }
    const auto count = static_cast<size_t>(written);
    if (count < small.size()) {
        line.append(small.data(), count);
    } else {
        line.resize(start + count + 1);
        std::vsnprintf(line.data() + start, count + 1, format, again);
        line.resize(start + count);
    }
    va_end(again);
    line += "\r\n";
    return s.sink->writeLine(line, s.flushHolds == 0) ? written : -1;
}

LogFlushHold::LogFlushHold() { ++state().flushHolds; }

LogFlushHold::~LogFlushHold() {
    LogState& s = state();
    if (--s.flushHolds > 0) return;
    if (s.sink != nullptr) s.sink->endHold();
}

void writeDebugData(const void* bytes, int64_t count) {
    LogSink* sink = state().sink;
    if (bytes == nullptr || sink == nullptr) return;
    sink->writeDump(bytes, count > 0 ? static_cast<size_t>(count) : 0);
}

void closeDebugLog() {
    if (LogSink* sink = state().sink) sink->close();
}

void kvPrintf(const char* /*format*/, ...) {}
