// A job cancelled while its first page is still going out: the page ends
// whole, no later page starts, and the ESC/POS job end sequence (drawer, cut,
// beeper, initialise) follows. The printer is a socket the test reads with a
// tiny receive buffer, so the application is held mid-page until the test has
// cancelled the job.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "tests/app/app_server.h"
#include "tests/app/ipp_job.h"
#include "tests/app/pwg_raster.h"
#include "tests/toolkit/toolkit.h"

namespace kvapptest {
namespace {

// Reads from fd until `want` bytes came or the writer closed; bounded in time.
bool readSome(int fd, std::string& into, size_t want, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while (into.size() < want) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        const ssize_t n = read(fd, buffer, std::min(sizeof buffer, want - into.size()));
        if (n == 0) return true;  // the writer closed: end of the job
        if (n > 0) into.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

// A listening loopback socket whose connections take a few kilobytes at most.
int slowPrinterSocket(int& port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int small = 4096;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, 1) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(s);
        return -1;
    }
    port = ntohs(addr.sin_port);
    return s;
}

int acceptWithin(int listener, int timeoutMs) {
    pollfd p{listener, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return -1;
    return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

TEST(CancelJob, NoPartialPageAndTheEscPosEndSequence) {
    AppServer server;
    ASSERT_TRUE(server.up()) << server.log();
    int port = 0;
    const int listener = slowPrinterSocket(port);
    ASSERT_GE(listener, 0);
    const std::string uri = "socket://127.0.0.1:" + std::to_string(port);
    ASSERT_EQ(server.kvlabel({"add", "-d", "pos", "-m", "kvpos80", "-v", uri}).status, 0);

    // Six long receipts (1.4 MB of printer bytes each, more than the socket
    // buffers take in all), drawer, cut and beeper at the end.
    constexpr int kPages = 6;
    std::vector<PwgPage> pages;
    for (int i = 0; i < kPages; ++i) pages.push_back(greyTestPage(576, 20000, 203));
    const std::string attrs =
        "  ATTR keyword kovali-print-mode threshold\n"
        "  ATTR keyword kovali-cutter job-end\n"
        "  ATTR keyword kovali-beeper job-end\n"
        "  ATTR keyword kovali-cash-drawer drawer1-end\n";
    IppJob job{.attrs = attrs, .document = pwgStream(pages), .endState = "7"};
    auto printed = std::async(std::launch::async, [&] { return printIppJob(server, "pos", job); });

    const int fd = acceptWithin(listener, 30000);
    close(listener);
    ASSERT_GE(fd, 0) << "the application did not connect";
    // Nothing is read until the application is stuck writing a page.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    std::string bytes;
    const std::string cancel = std::string("{\n  OPERATION Cancel-Job\n  GROUP operation-attributes-tag\n") +
                               "  ATTR charset attributes-charset utf-8\n"
                               "  ATTR naturalLanguage attributes-natural-language en\n"
                               "  ATTR uri printer-uri $uri\n  ATTR integer job-id 1\n"
                               "  ATTR name requesting-user-name test\n  STATUS successful-ok\n}\n";
    std::ofstream(server.dir() + "/cancel.test") << cancel;
    const auto cancelled = server.ipptool({"-t", server.printerUri("pos"), server.dir() + "/cancel.test"}, 30);
    EXPECT_EQ(cancelled.status, 0) << cancelled.out;
    ASSERT_TRUE(readSome(fd, bytes, 64u << 20, 60000)) << "the job did not end";
    close(fd);
    printed.wait();

    // The output is the filter's for the first pages only: whole pages, then
    // the job end sequence (drawer 1, cut, beeper, initialise).
    kvtest::TempDir dir;
    kvtest::FilterJob filterJob;
    filterJob.options = "PrintMode=0 Cutting=2 Beeper=3 CashDrawer=4 FeedDist=0 BlankSpace=0";
    filterJob.ppdPath = std::string(KV_PPD_DIR) + "/kvpos80.ppd";
    std::vector<kvtest::RasterPage> firstPages;
    bool matched = false;
    for (int n = 1; n < kPages && !matched; ++n) {
        kvtest::RasterPage page;
        page.width = pages[0].width;
        page.height = pages[0].height;
        page.data = pages[0].pixels;
        firstPages.push_back(page);
        filterJob.input = kvtest::rasterStream(firstPages);
        const kvtest::FilterRun filtered = kvtest::runFilter(filterJob, dir.path());
        ASSERT_EQ(filtered.status, 0);
        matched = bytes == filtered.out;
        if (matched) std::printf("cancelled after %d whole page(s)\n", n);
    }
    EXPECT_TRUE(matched) << bytes.size() << " bytes are not the filter's bytes for the first pages";
    const std::string end("\x1b\x70\x00\x19\xff\x1d\x56\x42\x00\x1b\x42\x04\x01\x1b\x40", 15);
    ASSERT_GE(bytes.size(), end.size());
    EXPECT_EQ(kvtest::hex(bytes.substr(bytes.size() - end.size())), kvtest::hex(end));
}

}  // namespace
}  // namespace kvapptest
