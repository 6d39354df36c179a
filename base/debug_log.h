// The diagnostic log and the send-data dump of every library and program,
// behind an installable sink, plus the silent debug print of the libraries.
// The libraries only format lines; where they go is the program's choice
// (the filter installs the files of base/log_files.h). With no sink installed,
// the default, nothing is written anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Receives the finished log lines and the dump bytes. Not owned by the log:
// it must outlive its installation (setLogSink(nullptr) removes it).
class LogSink {
public:
    virtual ~LogSink() = default;
    // One whole line: time stamp, message, CR LF. `flush` is false while a
    // LogFlushHold lasts. False when the line could not be written.
    virtual bool writeLine(std::string_view line, bool flush) = 0;
    // Raw bytes of the send-data dump.
    virtual void writeDump(const void* bytes, size_t count) = 0;
    // The last LogFlushHold ended: lines written without a flush go out now.
    virtual void endHold() = 0;
    // closeDebugLog: let go of what is open; the next write starts afresh.
    virtual void close() = 0;
};

// Installs the sink that receives every line and dump byte; nullptr: none.
void setLogSink(LogSink* sink);
LogSink* logSink();

// One log line: local time stamp, the formatted message, CR LF; flushed at once
// (or when the last LogFlushHold ends). Returns the message's character count,
// or -1 when no sink is installed or the sink could not write the line.
int writeLogString(const char* format, ...) __attribute__((format(printf, 1, 2)));

// While one of these lives, log lines are written without a flush each; the
// lines are flushed once when the last one ends. For long runs of lines such
// as every attribute of a PPD.
class LogFlushHold {
public:
    LogFlushHold();
    ~LogFlushHold();
    LogFlushHold(const LogFlushHold&) = delete;
    LogFlushHold& operator=(const LogFlushHold&) = delete;
};
// Appends raw bytes to the send-data dump; null does nothing.
void writeDebugData(const void* bytes, int64_t count);
// Closes the dump and the log of the installed sink, if any.
void closeDebugLog();
// Debug print of the image and protocol libraries: prints nothing.
void kvPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
