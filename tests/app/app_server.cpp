// The application server of the tests: private folders, free port, bounded
// waits, and a process group that is killed whatever way the test ends.
#include "tests/app/app_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace kvapptest {
namespace {

// The server listens once its port takes connections. (Not "kvlabel
// printers": that sub-command talks to the local socket and starts a server
// of its own when none answers there.)
bool reachable(int port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(s);
    return ok;
}

}  // namespace

std::string kvlabelPath() { return KVLABEL_PATH; }

AppServer::AppServer(int watchdogSeconds)
    : deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(watchdogSeconds)) {
    port_ = kvcups::freeLoopbackPort();
    for (const char* d : {"state", "spool", "run", "out", "home"}) mkdir(temp_.file(d).c_str(), 0700);
    std::vector<std::string> args = {kvlabelPath(), "server",
                                     "-o",          "server-port=" + std::to_string(port_),
                                     "-o",          "listen-hostname=localhost",
                                     "-o",          "state-directory=" + temp_.file("state"),
                                     "-o",          "spool-directory=" + temp_.file("spool"),
                                     "-o",          "log-file=" + temp_.file("server.log"),
                                     "-o",          "log-level=debug"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string runDir = temp_.file("run"), home = temp_.file("home"), out = temp_.file("server.out");
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(1);
        // The command socket goes to the private run folder, not /run.
        setenv("SNAP_COMMON", runDir.c_str(), 1);
        setenv("TMPDIR", runDir.c_str(), 1);
        setenv("HOME", home.c_str(), 1);
        setenv("LSAN_OPTIONS", "suppressions=" KV_LSAN_SUPPRESSIONS, 1);
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0) return;
    pid_ = pid;
    setpgid(pid, pid);
    watchdog_ = std::thread([this] {
        while (!stopping_) {
            if (std::chrono::steady_clock::now() > deadline_) {
                std::fprintf(stderr, "watchdog: test ran too long, killing the server\n");
                if (pid_ > 0) kill(-pid_, SIGKILL);
                std::_Exit(3);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    for (int i = 0; i < 100 && !up_; ++i) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        up_ = reachable(port_);
        if (!up_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

AppServer::~AppServer() {
    stop();
    if (::testing::Test::HasFailure()) {
        // Keep the server's own account of a failed test beside the build.
        const std::string keep = std::string(KV_APP_ARTEFACTS) + "/failed-" + std::to_string(getpid());
        std::filesystem::create_directories(keep);
        for (const char* f : {"server.log", "server.out"}) {
            std::error_code ec;
            std::filesystem::copy_file(temp_.file(f), keep + "/" + f, std::filesystem::copy_options::overwrite_existing,
                                       ec);
        }
        std::fprintf(stderr, "server logs kept in %s\n", keep.c_str());
    }
    stopping_ = true;
    if (watchdog_.joinable()) watchdog_.join();
}

bool AppServer::alive() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

void AppServer::stop() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string AppServer::systemUri() const { return "ipp://localhost:" + std::to_string(port_) + "/ipp/system"; }
std::string AppServer::printerUri(const std::string& name) const {
    return "ipp://localhost:" + std::to_string(port_) + "/ipp/print/" + name;
}
std::string AppServer::webUrl(const std::string& path) const {
    return "http://localhost:" + std::to_string(port_) + path;
}
std::string AppServer::log() const { return kvtest::readFile(temp_.file("server.log")); }

kvcups::CommandResult AppServer::kvlabel(std::vector<std::string> args, int timeoutSeconds) {
    const bool hasUri = std::find(args.begin(), args.end(), "-u") != args.end();
    args.insert(args.begin(), kvlabelPath());
    if (!hasUri) args.insert(args.begin() + 2, {"-u", systemUri()});
    return kvcups::runCommand(args,
                              {"SNAP_COMMON=" + temp_.file("run"), "TMPDIR=" + temp_.file("run"),
                               std::string("LSAN_OPTIONS=suppressions=") + KV_LSAN_SUPPRESSIONS},
                              timeoutSeconds);
}

kvcups::CommandResult AppServer::ipptool(const std::vector<std::string>& args, int timeoutSeconds) {
    std::vector<std::string> argv = {"ipptool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return kvcups::runCommand(argv, {}, timeoutSeconds);
}

std::string AppServer::addPrinter(const std::string& name, const std::string& driver) {
    const std::string path = temp_.file("out/" + name + ".prn");
    std::ofstream(path).flush();
    auto r = kvlabel({"add", "-d", name, "-m", driver, "-v", "file://" + path});
    return r.status == 0 ? path : "";
}

std::string AppServer::takeOutput(const std::string& path) {
    std::string bytes = kvtest::readFile(path);
    std::ofstream(path, std::ios::trunc).flush();
    return bytes;
}

}  // namespace kvapptest
