// Diagnostic log "LxxLog.log" and send-data dump "LxxSendData.bin". Each file is
// opened (emptied) at its first write of the run; a file that can't be opened
// drops the write silently and is tried again at the next one.
//
// The filter often runs as root in a folder other users may write to, so a
// file is only used when it is safe: opened without following a symbolic link,
// a regular file with a single link, owned by the running user; it is created
// with mode 0600 (the dump holds a whole job's printer bytes) and an older file
// is set to 0600 before it is emptied.
#include "base/log_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "base/debug_log.h"

namespace {

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

class LogFiles final : public LogSink {
public:
    void setDirectory(const char* directory) {
        close();
        directory_ = directory != nullptr ? directory : "/var/log/cups";
    }

    // A log that can't be opened is tried again at the next line, but only
    // once while a LogFlushHold lasts.
    bool writeLine(std::string_view line, bool flush) override {
        if (log_ == nullptr && !logRefused_) {
            log_ = openPrivateFile(directory_ + "/LxxLog.log");
            logRefused_ = log_ == nullptr && !flush;
        }
        if (log_ == nullptr) return false;
        std::fwrite(line.data(), 1, line.size(), log_);
        if (flush) {
            std::fflush(log_);
        } else {
            flushPending_ = true;
        }
        return true;
    }

    void writeDump(const void* bytes, size_t count) override {
        if (dump_ == nullptr) dump_ = openPrivateFile(directory_ + "/LxxSendData.bin");
        if (dump_ == nullptr || count == 0) return;
        std::fwrite(bytes, 1, count, dump_);
        std::fflush(dump_);
    }

    void endHold() override {
        logRefused_ = false;
        if (!flushPending_) return;
        flushPending_ = false;
        if (log_ != nullptr) std::fflush(log_);
    }

    void close() override {
        if (dump_ != nullptr) std::fclose(dump_);
        if (log_ != nullptr) std::fclose(log_);
        dump_ = nullptr;
        log_ = nullptr;
        flushPending_ = false;
    }

private:
    std::string directory_ = "/var/log/cups";
    std::FILE* log_ = nullptr;
    std::FILE* dump_ = nullptr;
    bool flushPending_ = false;  // log lines written while flushing was held
    bool logRefused_ = false;    // the log didn't open during the current hold
};

LogFiles& files() {
    static LogFiles sink;
    return sink;
}

}  // namespace

void setDebugLogDirectory(const char* directory) {
    files().setDirectory(directory);
    setLogSink(&files());
}
