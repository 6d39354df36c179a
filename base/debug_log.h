// The filter's own diagnostic log and the byte-for-byte dump of what it sent,
// both beside the CUPS logs, plus the silent debug print of the libraries.
#pragma once

#include <cstdint>

// One log line: local time stamp, the formatted message, CR LF; flushed at once
// (or when the last LogFlushHold ends). Returns the message's character count,
// or -1 when the log can't be opened.
int writeLogString(const char* format, ...) __attribute__((format(printf, 1, 2)));

// While one of these lives, log lines are written without a flush each; the
// lines are flushed once when the last one ends. A log that can't be opened is
// tried once for the whole hold, not at every line. For long runs of lines
// such as every attribute of a PPD.
class LogFlushHold {
public:
    LogFlushHold();
    ~LogFlushHold();
    LogFlushHold(const LogFlushHold&) = delete;
    LogFlushHold& operator=(const LogFlushHold&) = delete;
};
// Appends raw bytes to the send-data dump; null does nothing.
void writeDebugData(const void* bytes, int64_t count);
// Closes the dump and the log if open.
void closeDebugLog();
// Debug print of the image and protocol libraries: prints nothing.
void kvPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Points both files at another directory (default "/var/log/cups"). Closes
// files already open so the next write opens them afresh in the new place.
void setDebugLogDirectory(const char* directory);
