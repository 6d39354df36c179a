// The built PPD files: every one passes cupstestppd with the filter installed
// in a scratch root, and the filter reads from each the device type,
// resolution and job defaults its printer kind needs.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/cups/cups_tools.h"
#include "tests/cups/printer_kinds.h"
#include "tests/cups/process.h"
#include "tests/toolkit/toolkit.h"

namespace kvcups {
namespace {

class KovaliPpd : public ::testing::TestWithParam<PrinterKind> {};

TEST_P(KovaliPpd, PassesCupstestppd) {
    if (findProgram("cupstestppd").empty()) GTEST_SKIP() << "cupstestppd is not installed (package cups-client)";
    kvtest::TempDir root;
    // cupstestppd looks for the cupsFilter program below <root><serverbin>/filter.
    const std::filesystem::path filterDir = root.path() + systemServerBin() + "/filter";
    std::filesystem::create_directories(filterDir);
    std::filesystem::create_symlink(builtFilter(), filterDir / "rastertokvlabel");

    const CommandResult r =
        runCommand({"cupstestppd", "-W", "all", "-R", root.path(), ppdDir() + "/" + GetParam().ppd});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find(": PASS"), std::string::npos) << r.out;
    // Accepted warnings: the sizes keep the CUPS wNNNhNNN names (and A4, Letter,
    // A5) instead of the names cupstestppd proposes, which describe a 40 x 30 mm
    // label as a rotated 30 x 40 mm sheet; no other warning may appear.
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("WARN") != std::string::npos) {
            EXPECT_NE(line.find("should be the Adobe standard name"), std::string::npos) << line;
        }
    }
}

// The filter's own view of the PPD, from its diagnostic log (no pages needed).
TEST_P(KovaliPpd, FilterReadsTheKindAndItsDefaults) {
    const PrinterKind& kind = GetParam();
    kvtest::TempDir dir;
    kvtest::FilterJob job;
    job.ppdPath = ppdDir() + "/" + kind.ppd;
    const kvtest::FilterRun run = kvtest::runFilter(job, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string log = run.log();
    EXPECT_NE(log.find("Default Printer Model:" + std::to_string(kind.devType) + "\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Default DefaultResolution:" + std::to_string(kind.dpi) + "\r\n"), std::string::npos);
    // Every option the PPD offers reaches the filter as a Default keyword it reads.
    const std::string ppd = kvtest::readFile(job.ppdPath);
    const std::string marker = "*OpenUI *";
    for (size_t at = ppd.find(marker); at != std::string::npos; at = ppd.find(marker, at + 1)) {
        const size_t start = at + marker.size();
        const std::string name = ppd.substr(start, ppd.find_first_of("/:", start) - start);
        if (name == "PageSize" || name == "PageRegion" || name == "ColorModel" || name == "Resolution") continue;
        EXPECT_NE(log.find("ppdfile Default" + name + ":"), std::string::npos) << "filter ignores option " << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Kovali, KovaliPpd, ::testing::ValuesIn(printerKinds()),
                         [](const auto& instance) { return kindName(instance.param); });

}  // namespace
}  // namespace kvcups
