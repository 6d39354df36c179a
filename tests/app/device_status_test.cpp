// A device model that answers: a fake printer on a loopback socket replies
// to the status request with a status word (cover open, paper out) and the
// printer's printer-state-reasons say so; a printer that stays silent gets
// no reason invented.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "protocol/command_builders.h"
#include "protocol/frame.h"
#include "protocol/send_pack.h"
#include "tests/app/app_server.h"

namespace kvapptest {
namespace {

// Replies to every connection with one status frame (or nothing).
class FakeDevicePrinter {
public:
    explicit FakeDevicePrinter(std::vector<uint8_t> reply) : reply_(std::move(reply)) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listener_, 4);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeDevicePrinter() {
        stop_ = true;
        thread_.join();
        close(listener_);
    }
    int port() const { return port_; }
    int connections() const { return connections_; }

private:
    void serve() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            const int c = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) continue;
            ++connections_;
            char request[4096];
            pollfd q{c, POLLIN, 0};
            if (poll(&q, 1, 2000) > 0 && read(c, request, sizeof request) > 0 && !reply_.empty()) {
                (void)!write(c, reply_.data(), reply_.size());
            }
            // Stay open a moment so the application reads the reply, then hang up.
            pollfd r{c, POLLIN, 0};
            poll(&r, 1, 1000);
            close(c);
        }
    }
    std::vector<uint8_t> reply_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
};

// The reply to the status request (class 1 / 19): tagged list, printStatus.
std::vector<uint8_t> statusReply(uint16_t statusWord) {
    const uint8_t payload[] = {1, 2, 0, static_cast<uint8_t>(statusWord), static_cast<uint8_t>(statusWord >> 8), 2,
                               1, 0, 0};
    setODMType(28);  // frames of the model family our device kinds use
    ProtocolPackHead head{1, 19, 0, 2, 1, sizeof payload};
    SendPack pack = kvGetProtocolPack(head, payload);
    std::vector<uint8_t> bytes(pack.data, pack.data + pack.length);
    freeSendPack(pack.data, pack.length);
    return bytes;
}

std::string stateReasons(AppServer& server, const std::string& printer) {
    const std::string test = std::string("{\n  OPERATION Get-Printer-Attributes\n  GROUP operation-attributes-tag\n") +
                             "  ATTR charset attributes-charset utf-8\n"
                             "  ATTR naturalLanguage attributes-natural-language en\n"
                             "  ATTR uri printer-uri $uri\n  ATTR keyword requested-attributes printer-state-reasons\n"
                             "  STATUS successful-ok\n  DISPLAY printer-state-reasons\n}\n";
    std::ofstream(server.dir() + "/reasons.test") << test;
    return server.ipptool({"-t", server.printerUri(printer), server.dir() + "/reasons.test"}, 60).out;
}

TEST(DeviceStatus, AnsweredStatusWordBecomesStateReasons) {
    AppServer server;
    ASSERT_TRUE(server.up()) << server.log();
    FakeDevicePrinter answering(statusReply(0x0003));  // cover open, paper out
    FakeDevicePrinter silent({});
    ASSERT_EQ(server
                  .kvlabel({"add", "-d", "l50", "-m", "kvl50", "-v",
                            "socket://127.0.0.1:" + std::to_string(answering.port())})
                  .status,
              0);
    ASSERT_EQ(
        server
            .kvlabel({"add", "-d", "quiet", "-m", "kvl60", "-v", "socket://127.0.0.1:" + std::to_string(silent.port())})
            .status,
        0);
    std::string reasons;
    for (int i = 0; i < 50 && reasons.find("media-empty") == std::string::npos; ++i) {
        reasons = stateReasons(server, "l50");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_NE(reasons.find("cover-open"), std::string::npos) << reasons;
    EXPECT_NE(reasons.find("media-empty"), std::string::npos) << reasons;
    EXPECT_EQ(reasons.find("media-jam"), std::string::npos) << reasons;
    const std::string quiet = stateReasons(server, "quiet");
    EXPECT_GT(silent.connections(), 0);
    EXPECT_EQ(quiet.find("cover-open"), std::string::npos) << quiet;
    EXPECT_EQ(quiet.find("media-empty"), std::string::npos) << quiet;
}

}  // namespace
}  // namespace kvapptest
