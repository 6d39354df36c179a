// Jobs sent at once to one printer: PNG and printer-language jobs back to
// back, with no wait between them, which makes PAPPL 1.3.1 start jobs of the
// printer at once, and start one job in two threads. The server keeps
// running, every job ends, and the printer's file holds whole jobs only, one
// after another: none doubled, cut or interleaved. (In that race PAPPL can
// also drop a job: its job start finds the device it opened closed by
// another job's end and ends the job before any callback of ours runs. So
// the test counts the jobs printed and does not demand all of them.) The
// kinds are ones whose bytes do not change from job to job.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/app/app_server.h"
#include "tests/app/image_files.h"
#include "tests/app/ipp_job.h"
#include "tests/app/pwg_raster.h"

namespace kvapptest {
namespace {

constexpr int kJobsOfEach = 5;

struct BurstCase {
    const char* driver;
    const char* rawFormat;
    const char* raw;
};

std::string printJob(const std::string& format, const std::string& file) {
    return std::string("{\n  OPERATION Print-Job\n") + kOperationGroup + "  ATTR mimeMediaType document-format " +
           format + "\n  FILE " + file + "\n  STATUS successful-ok\n}\n";
}

// Every job of the burst, then Get-Jobs until none is left.
std::string burstTest(const BurstCase& c, const std::string& png, const std::string& raw) {
    std::string test;
    for (int i = 0; i < kJobsOfEach; ++i) test += printJob("image/png", png) + printJob(c.rawFormat, raw);
    test += std::string("{\n  NAME \"Wait until every job has ended\"\n  OPERATION Get-Jobs\n") + kOperationGroup +
            "  ATTR keyword which-jobs not-completed\n  STATUS successful-ok\n  DELAY 0.2\n"
            "  EXPECT !job-id REPEAT-NO-MATCH REPEAT-LIMIT 600\n}\n";
    return test;
}

// Counts how many times each unit makes up `bytes`, whole units only; false
// when anything else is found.
bool splitInto(const std::string& bytes, const std::string& a, const std::string& b, int& countA, int& countB) {
    countA = countB = 0;
    for (size_t at = 0; at < bytes.size();) {
        if (bytes.compare(at, a.size(), a) == 0) {
            ++countA;
            at += a.size();
        } else if (bytes.compare(at, b.size(), b) == 0) {
            ++countB;
            at += b.size();
        } else {
            return false;
        }
    }
    return true;
}

class JobBurst : public ::testing::TestWithParam<BurstCase> {};

TEST_P(JobBurst, EveryJobWholeOneAfterAnother) {
    const BurstCase& c = GetParam();
    AppServer server;
    ASSERT_TRUE(server.up()) << server.log();
    const std::string out = server.addPrinter("p", c.driver);
    ASSERT_FALSE(out.empty());

    const PwgPage page = greyTestPage(300, 200, 100);
    const std::string png = server.dir() + "/picture.png";
    ASSERT_TRUE(writePng(png, page.width, page.height, 1, page.pixels));
    const std::string raw = server.dir() + "/raw.prn";
    std::ofstream(raw, std::ios::binary) << c.raw;

    // One PNG job alone: the bytes each job of the burst must give.
    std::ifstream in(png, std::ios::binary);
    const IppJob single{.format = "image/png",
                        .document = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
    ASSERT_EQ(printIppJob(server, "p", single).status, 0);
    const std::string pngBytes = server.takeOutput(out);
    ASSERT_FALSE(pngBytes.empty());

    const std::string testFile = server.dir() + "/burst.test";
    std::ofstream(testFile) << burstTest(c, png, raw);
    const auto run = server.ipptool({"-t", server.printerUri("p"), testFile}, 240);
    ASSERT_TRUE(server.alive()) << run.out;
    EXPECT_EQ(run.status, 0) << run.out << run.err;

    int pngJobs = 0, rawJobs = 0;
    const std::string bytes = server.takeOutput(out);
    EXPECT_TRUE(splitInto(bytes, pngBytes, c.raw, pngJobs, rawJobs))
        << bytes.size() << " bytes are not whole jobs one after another";
    EXPECT_LE(pngJobs, kJobsOfEach);
    EXPECT_LE(rawJobs, kJobsOfEach);
    EXPECT_GT(pngJobs + rawJobs, 0);
    std::printf("%s: %d of %d PNG and %d of %d raw jobs printed\n", c.driver, pngJobs, kJobsOfEach, rawJobs,
                kJobsOfEach);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, JobBurst,
    ::testing::Values(BurstCase{"kvzpl2", "application/vnd.kovali-zpl", "^XA^FO20,20^A0N,30,30^FDraw job^FS^XZ\n"},
                      BurstCase{"kvpos80", "application/vnd.kovali-escpos", "\x1b@raw job\n\x1b@"},
                      BurstCase{"kvtspl2c", "application/octet-stream", "SIZE 50 mm,30 mm\nCLS\nPRINT 1\n"}),
    [](const auto& instance) { return std::string(instance.param.driver); });

}  // namespace
}  // namespace kvapptest
