// The printer application under test: "kvlabel server" on a free loopback
// port with private state, spool, log and socket folders, started in a
// process group of its own and always stopped (the fixture's destructor
// kills the group; a watchdog does it and ends the test program when a test
// hangs; the server also dies with the test program).
#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/cups/process.h"
#include "tests/toolkit/toolkit.h"

namespace kvapptest {

class AppServer {
public:
    // Starts the server; watchdogSeconds bounds the whole life of the fixture.
    explicit AppServer(int watchdogSeconds = 300);
    ~AppServer();
    AppServer(const AppServer&) = delete;
    AppServer& operator=(const AppServer&) = delete;

    bool up() const { return up_; }
    // False once the server process has ended.
    bool alive();
    int port() const { return port_; }
    std::string systemUri() const;
    std::string printerUri(const std::string& name) const;
    std::string webUrl(const std::string& path) const;
    const std::string& dir() const { return temp_.path(); }
    std::string log() const;

    // "kvlabel add": a printer with a file device (a fresh file per printer).
    // Returns the path of the file that receives its bytes; "" on failure.
    std::string addPrinter(const std::string& name, const std::string& driver);
    // Runs "kvlabel <args>" against this server (-u with the system is added
    // unless args name a printer with -u).
    kvcups::CommandResult kvlabel(std::vector<std::string> args, int timeoutSeconds = 60);
    // Runs ipptool with the test file against uri (extra args before the uri).
    kvcups::CommandResult ipptool(const std::vector<std::string>& args, int timeoutSeconds = 120);
    // Empties a printer's output file; returns what it held.
    std::string takeOutput(const std::string& path);
    void stop();

private:
    kvtest::TempDir temp_;
    int port_ = -1;
    int pid_ = -1;
    bool up_ = false;
    std::thread watchdog_;
    std::chrono::steady_clock::time_point deadline_;
    bool stopping_ = false;
};

// The built program.
std::string kvlabelPath();

}  // namespace kvapptest
