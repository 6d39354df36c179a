// Jobs through a real, private CUPS scheduler on loopback: its own
// configuration, spool, log and state folders in a scratch directory and its
// own port; one queue per language kind added with lpadmin from the built PPD,
// its device a file. A job with options and one with the PPD defaults are sent
// with lp, waited for (bounded), and the captured printer bytes checked.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "tests/cups/cups_tools.h"
#include "tests/cups/job_checks.h"
#include "tests/cups/printer_kinds.h"
#include "tests/cups/process.h"
#include "tests/toolkit/toolkit.h"

namespace kvcups {
namespace {

void writeText(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return;
    std::fputs(text.c_str(), f);
    std::fclose(f);
}

// Open access on loopback only: the test adds queues without authentication.
std::string cupsdConf(int port) {
    return "LogLevel debug\nListen 127.0.0.1:" + std::to_string(port) +
           "\nBrowsing No\nBrowseLocalProtocols none\nDefaultAuthType None\nWebInterface No\n"
           "<Location />\n  Order allow,deny\n  Allow from 127.0.0.1\n</Location>\n"
           "<Location /admin>\n  Order allow,deny\n  Allow from 127.0.0.1\n</Location>\n"
           "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
}

class Scheduler : public ::testing::TestWithParam<PrinterKind> {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "the private cupsd needs root (it runs filters as lp)";
        if (findProgram("cupsd").empty() || findProgram("lp").empty() || findProgram("lpadmin").empty())
            GTEST_SKIP() << "cupsd, lp or lpadmin is not installed (packages cups, cups-client)";
        namespace fs = std::filesystem;
        const std::string d = dir_.path();
        fs::permissions(d, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
        for (const char* sub : {"root", "spool", "spool/tmp", "log", "state", "cache", "out"})
            fs::create_directories(d + "/" + sub);
        ASSERT_EQ(makeServerBin(d + "/serverbin"), "");
        port_ = freeLoopbackPort();
        ASSERT_GT(port_, 0);
        writeText(d + "/cupsd.conf", cupsdConf(port_));
        writeText(d + "/cups-files.conf", "ServerRoot " + d + "/root\nServerBin " + d + "/serverbin\nStateDir " + d +
                                              "/state\n"
                                              "CacheDir " +
                                              d + "/cache\nRequestRoot " + d + "/spool\nTempDir " + d +
                                              "/spool/tmp\n"
                                              "ErrorLog " +
                                              d + "/log/error_log\nAccessLog " + d +
                                              "/log/access_log\n"
                                              "PageLog " +
                                              d + "/log/page_log\nFileDevice Yes\n");
        ASSERT_TRUE(daemon_.start({findProgram("cupsd"), "-f", "-c", d + "/cupsd.conf", "-s", d + "/cups-files.conf"},
                                  d + "/log/cupsd.out"));
        ASSERT_TRUE(waitUntilListening()) << errorLog();
    }

    void TearDown() override { daemon_.stop(); }

    std::vector<std::string> env() const { return {"CUPS_SERVER=127.0.0.1:" + std::to_string(port_)}; }

    bool waitUntilListening() {
        for (int i = 0; i < 100 && daemon_.running(); ++i) {
            if (runCommand({"lpstat", "-r"}, env(), 10).out.find("is running") != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    std::string errorLog() const {
        const std::string log = kvtest::readFile(dir_.file("log/error_log"));
        return log.size() > 4000 ? log.substr(log.size() - 4000) : log;
    }

    // Submits the file with lp and waits (bounded) until the job is over;
    // returns its final state, or 0 when it never finished.
    int printAndWait(const std::string& queue, const std::vector<std::string>& options) {
        std::vector<std::string> argv = {"lp", "-d", queue};
        for (const auto& o : options) argv.insert(argv.end(), {"-o", o});
        argv.push_back(samplePdf());
        const CommandResult lp = runCommand(argv, env(), 30);
        int jobId = 0;
        if (std::sscanf(lp.out.c_str(), "request id is %*[^-]-%d", &jobId) != 1) {
            ADD_FAILURE() << "lp failed: " << lp.out << lp.err;
            return 0;
        }
        http_t* http =
            httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_IF_REQUESTED, 1, 5000, nullptr);
        int state = 0;
        for (int i = 0; i < 600 && http != nullptr && state == 0; ++i) {
            cups_job_t* jobs = nullptr;
            const int n = cupsGetJobs2(http, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
            for (int j = 0; j < n; ++j)
                if (jobs[j].id == jobId && jobs[j].state >= IPP_JSTATE_STOPPED) state = jobs[j].state;
            cupsFreeJobs(n, jobs);
            if (state == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        httpClose(http);
        return state;
    }

    kvtest::TempDir dir_;
    Daemon daemon_;
    int port_ = 0;
};

TEST_P(Scheduler, PrintsJobsWithOptionsAndWithPpdDefaults) {
    const PrinterKind& kind = GetParam();
    const std::string queue = kindName(kind);
    const std::string device = dir_.file("out/" + queue + ".prn");
    const CommandResult add =
        runCommand({"lpadmin", "-p", queue, "-E", "-v", "file:" + device, "-P", ppdDir() + "/" + kind.ppd}, env(), 30);
    ASSERT_EQ(add.status, 0) << add.out << add.err;

    std::vector<std::string> options = kind.options;
    options.push_back("PageSize=" + kind.pageSize);
    ASSERT_EQ(printAndWait(queue, options), IPP_JSTATE_COMPLETED) << errorLog();
    const std::string withOptions = kvtest::readFile(device);
    if (isStandInOutput(kind, withOptions))
        GTEST_SKIP() << "the " << queue << " generator is still a stand-in: no page in the output";
    const PrintedJob job = parseFor(kind.language, withOptions);
    expectOnePage(kind, job, kind.widthPt, kind.heightPt, kind.language != Language::Device);
    EXPECT_EQ(valueOf(job, kind.optionKey), kind.optionValue) << "option not in the printer bytes";

    // Second job: no options at all, so the queue's PPD defaults apply.
    ASSERT_EQ(printAndWait(queue, {}), IPP_JSTATE_COMPLETED) << errorLog();
    const PrintedJob plain = parseFor(kind.language, kvtest::readFile(device));
    ASSERT_EQ(plain.error, "");
    ASSERT_EQ(plain.pages.size(), 1u);
    EXPECT_EQ(valueOf(plain, kind.defaultKey), kind.defaultValue);
}

// Compression is a queue option: lpadmin's IsCompressie-default rewrites the
// queue's PPD default, and a job without options then sends zlib strips.
class QueueDefaults : public Scheduler {};

TEST_P(QueueDefaults, LpadminTurnsCompressionOn) {
    const PrinterKind& kind = GetParam();
    const std::string queue = kindName(kind);
    const std::string device = dir_.file("out/" + queue + ".prn");
    ASSERT_EQ(
        runCommand({"lpadmin", "-p", queue, "-E", "-v", "file:" + device, "-P", ppdDir() + "/" + kind.ppd}, env(), 30)
            .status,
        0);
    const CommandResult set = runCommand({"lpadmin", "-p", queue, "-o", "IsCompressie-default=1"}, env(), 30);
    ASSERT_EQ(set.status, 0) << set.out << set.err;
    ASSERT_EQ(printAndWait(queue, {"PageSize=" + kind.pageSize}), IPP_JSTATE_COMPLETED) << errorLog();
    const std::string out = kvtest::readFile(device);
    EXPECT_EQ(parseFor(kind.language, out).error, "");
    int mode = -1;
    const size_t bitmap = out.find("BITMAP ");
    ASSERT_NE(bitmap, std::string::npos);
    ASSERT_EQ(std::sscanf(out.c_str() + bitmap, "BITMAP %*d,%*d,%*d,%*d,%d,", &mode), 1);
    EXPECT_EQ(mode, 3) << "the queue's IsCompressie default did not reach the filter";
}

INSTANTIATE_TEST_SUITE_P(Kovali, QueueDefaults, ::testing::Values(printerKinds()[0]),
                         [](const auto& instance) { return kindName(instance.param); });

// One queue per language kind keeps the daemon runs few.
std::vector<PrinterKind> onePerLanguage() {
    std::vector<PrinterKind> kinds;
    for (const auto& k : printerKinds()) {
        bool seen = false;
        for (const auto& s : kinds) seen = seen || s.language == k.language;
        if (!seen) kinds.push_back(k);
    }
    return kinds;
}

INSTANTIATE_TEST_SUITE_P(Kovali, Scheduler, ::testing::ValuesIn(onePerLanguage()),
                         [](const auto& instance) { return kindName(instance.param); });

}  // namespace
}  // namespace kvcups
