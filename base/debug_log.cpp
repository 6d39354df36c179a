// Diagnostic log "LxxLog.log" and send-data dump "LxxSendData.bin". Each file is
// opened (emptied) at its first write of the run; a file that can't be opened
// drops the write silently and is tried again at the next one.
//
// The filter often runs as root in a folder other users may write to, so a
// file is only used when it is safe: opened without following a symbolic link,
// a regular file with a single link, owned by the running user; it is created
// with mode 0600 (the dump holds a whole job's printer bytes) and an older file
// is set to 0600 before it is emptied.
#include "base/debug_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "base/seams.h"

namespace {

struct LogFiles {
    std::string directory = "/var/log/cups";
    std::FILE* log = nullptr;
    std::FILE* dump = nullptr;
    int flushHolds = 0;         // open LogFlushHold scopes
    bool flushPending = false;  // log lines written while flushing was held
    bool logRefused = false;    // the log didn't open during the current hold
};

LogFiles& files() {
    static LogFiles state;
    return state;
}

// The file at `path` opened for reading and writing and emptied, or null when
// it can't be opened or is not a file the running user alone controls.
std::FILE* openPrivateFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) return nullptr;
    struct stat st {};
    const bool safe = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid() &&
                      fchmod(fd, 0600) == 0 && ftruncate(fd, 0) == 0;
    // Back to blocking writes: O_NONBLOCK only kept a planted FIFO from stalling the open.
    if (!safe || fcntl(fd, F_SETFL, 0) != 0) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "w+");
    if (file == nullptr) close(fd);
    return file;
}

// A log that can't be opened is tried again at the next line, but only once
// while a LogFlushHold lasts.
bool InitLogData() {
    LogFiles& f = files();
    if (f.log == nullptr && !f.logRefused) {
        f.log = openPrivateFile(f.directory + "/LxxLog.log");
        f.logRefused = f.log == nullptr && f.flushHolds > 0;
    }
    return f.log != nullptr;
}

bool InitHexData() {
    LogFiles& f = files();
    if (f.dump == nullptr) f.dump = openPrivateFile(f.directory + "/LxxSendData.bin");
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
    LogFiles& f = files();
    std::FILE* log = f.log;
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
    if (f.flushHolds > 0) {
        f.flushPending = true;
    } else {
        std::fflush(log);
    }
    return written;
}

LogFlushHold::LogFlushHold() { ++files().flushHolds; }

LogFlushHold::~LogFlushHold() {
    LogFiles& f = files();
    if (--f.flushHolds > 0) return;
    f.logRefused = false;
    if (!f.flushPending) return;
    f.flushPending = false;
    if (f.log != nullptr) std::fflush(f.log);
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
    f.flushPending = false;
}

void kvPrintf(const char* /*format*/, ...) {}

void setDebugLogDirectory(const char* directory) {
    closeDebugLog();
    files().directory = directory != nullptr ? directory : "/var/log/cups";
}
