// Running the CUPS command-line tools (cupsfilter, cupstestppd, lpadmin, lp,
// cupsd) from the system tests: bounded in time, output captured.
#pragma once

#include <string>
#include <vector>

namespace kvcups {

struct CommandResult {
    int status = -1;  // exit status; -1 when killed by a signal or timed out
    bool timedOut = false;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs argv[0] (searched in PATH) with the extra environment entries
// ("NAME=value") added to this process's environment. Killed after
// timeoutSeconds.
CommandResult runCommand(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
                         int timeoutSeconds = 60);

// Full path of a program found in PATH, /usr/sbin or /sbin; "" when absent.
std::string findProgram(const std::string& name);

// A background process (the scheduler) that is stopped with SIGTERM, then
// SIGKILL, when the handle goes away; it also dies with the test process.
class Daemon {
public:
    Daemon() = default;
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;
    bool start(const std::vector<std::string>& argv, const std::string& logPath);
    bool running();
    void stop();

private:
    int pid_ = -1;
};

// A TCP port on 127.0.0.1 that nothing listens on right now.
int freeLoopbackPort();

}  // namespace kvcups
