// Diagnostic log "LxxLog.log" and send-data dump "LxxSendData.bin". Each file is
// opened ("w+", emptied) at its first write of the run; a file that can't be
// opened drops the write silently and is tried again at the next one.
#include "filter/debug_log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "filter/seams.h"

namespace {

struct LogFiles {
    std::string directory = "/var/log/cups";
    std::FILE* log = nullptr;
    std::FILE* dump = nullptr;
};

LogFiles& files() {
    static LogFiles state;
    return state;
}

bool InitLogData() {
    LogFiles& f = files();
    if (f.log == nullptr) f.log = std::fopen((f.directory + "/LxxLog.log").c_str(), "w+");
    return f.log != nullptr;
}

bool InitHexData() {
    LogFiles& f = files();
    if (f.dump == nullptr) f.dump = std::fopen((f.directory + "/LxxSendData.bin").c_str(), "w+");
    return f.dump != nullptr;
}

void pwriteHex(const void* bytes, int64_t count) {
    if (!InitHexData() || count <= 0) return;
    std::fwrite(bytes, 1, static_cast<size_t>(count), files().dump);
    std::fflush(files().dump);
}

}  // namespace

int writeLogString(const char* format, ...) {
    if (!InitLogData()) return -1;
    std::FILE* log = files().log;
    const std::time_t now = kvTime();
    std::tm local{};
    localtime_r(&now, &local);
    std::fprintf(log, "%04d-%02d-%02d %02d:%02d:%02d ", local.tm_year + 1900, local.tm_mon + 1,
                 local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    va_list args;
    va_start(args, format);
    const int written = std::vfprintf(log, format, args);
    va_end(args);
    std::fputs("\r\n", log);
    std::fflush(log);
    return written;
}

void writeDebugData(const void* bytes, int64_t count) {
    if (bytes == nullptr) return;
    pwriteHex(bytes, count);
}

void closeDebugLog() {
    LogFiles& f = files();
    if (f.dump != nullptr) std::fclose(f.dump);
    if (f.log != nullptr) std::fclose(f.log);
    f.dump = nullptr;
    f.log = nullptr;
}

void kvPrintf(const char* /*format*/, ...) {}

void setDebugLogDirectory(const char* directory) {
    closeDebugLog();
    files().directory = directory != nullptr ? directory : "/var/log/cups";
}
