// The whole CUPS conversion chain run by cupsfilter on the sample PDF for every
// Kovali PPD: PDF -> pdftopdf -> raster (ghostscript or poppler) -> the built
// rastertokvlabel. The printer bytes must parse in the kind's language, match
// the page size and resolution, and carry the job's non-default option.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/cups/cups_tools.h"
#include "tests/cups/job_checks.h"
#include "tests/cups/printer_kinds.h"
#include "tests/cups/process.h"
#include "tests/toolkit/toolkit.h"

namespace kvcups {
namespace {

class CupsFilterChain : public ::testing::TestWithParam<PrinterKind> {
protected:
    void SetUp() override {
        if (findProgram("cupsfilter").empty()) GTEST_SKIP() << "cupsfilter is not installed (package cups)";
        const std::string problem = makeServerBin(dir_.file("serverbin"));
        ASSERT_EQ(problem, "");
        conf_ = dir_.file("cups-files.conf");
        std::FILE* f = std::fopen(conf_.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fprintf(f, "ServerBin %s\n", dir_.file("serverbin").c_str());
        std::fclose(f);
    }

    CommandResult convert(const PrinterKind& kind, const std::vector<std::string>& options) {
        std::vector<std::string> argv = {"cupsfilter", "-e",         "-c", conf_, "-p", ppdDir() + "/" + kind.ppd,
                                         "-m",         "printer/foo"};
        for (const auto& o : options) argv.insert(argv.end(), {"-o", o});
        argv.push_back(samplePdf());
        return runCommand(argv, {}, 120);
    }

    kvtest::TempDir dir_;
    std::string conf_;
};

TEST_P(CupsFilterChain, PrintsTheSamplePdfWithTheJobsOptions) {
    const PrinterKind& kind = GetParam();
    std::vector<std::string> options = kind.options;
    options.push_back("PageSize=" + kind.pageSize);
    const CommandResult run = convert(kind, options);
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.status, 0) << run.err;
    if (isStandInOutput(kind, run.out))
        GTEST_SKIP() << "the " << kindName(kind) << " generator is still a stand-in: no page in the output";
    EXPECT_NE(run.err.find("PAGE: 1 1"), std::string::npos) << "the filter reported no page";

    const PrintedJob job = parseFor(kind.language, run.out);
    const bool tableMode = kind.language != Language::Device;  // PrintMode=0 is a fixed threshold
    expectOnePage(kind, job, kind.widthPt, kind.heightPt, tableMode);
    EXPECT_EQ(valueOf(job, kind.optionKey), kind.optionValue) << "option not in the printer bytes";
}

TEST_P(CupsFilterChain, UsesThePpdDefaultsWithoutOptions) {
    const PrinterKind& kind = GetParam();
    const CommandResult run = convert(kind, {"PageSize=" + kind.pageSize});
    ASSERT_EQ(run.status, 0) << run.err;
    if (isStandInOutput(kind, run.out))
        GTEST_SKIP() << "the " << kindName(kind) << " generator is still a stand-in: no page in the output";
    const PrintedJob job = parseFor(kind.language, run.out);
    ASSERT_EQ(job.error, "");
    EXPECT_EQ(valueOf(job, kind.defaultKey), kind.defaultValue);
}

INSTANTIATE_TEST_SUITE_P(Kovali, CupsFilterChain, ::testing::ValuesIn(printerKinds()),
                         [](const auto& instance) { return kindName(instance.param); });

// The largest custom size each PPD allows, rendered by the real chain, is
// within the filter's page bound: printed as one well-formed page, no error.
TEST_F(CupsFilterChain, LargestCustomSizesArePrinted) {
    const struct {
        const char* ppd;
        const char* size;
    } cases[] = {
        {"kvpos80.ppd", "Custom.80x3000mm"},    // 203 dpi, the longest roll page
        {"kvl50b.ppd", "Custom.216x1000mm"},    // 300 dpi, the largest page of all
        {"kvtspl2c.ppd", "Custom.104x1000mm"},  // RGBA pages
    };
    for (const auto& c : cases) {
        const auto kind = std::find_if(printerKinds().begin(), printerKinds().end(),
                                       [&](const PrinterKind& k) { return k.ppd == c.ppd; });
        ASSERT_NE(kind, printerKinds().end()) << c.ppd;
        const CommandResult run = convert(*kind, {std::string("PageSize=") + c.size});
        ASSERT_FALSE(run.timedOut) << c.ppd;
        EXPECT_EQ(run.status, 0) << c.ppd << run.err;
        EXPECT_EQ(run.err.find("largest media"), std::string::npos) << c.ppd << run.err;
        EXPECT_NE(run.err.find("PAGE: 1 1"), std::string::npos) << c.ppd;
        const PrintedJob job = parseFor(kind->language, run.out);
        EXPECT_EQ(job.error, "") << c.ppd;
        EXPECT_EQ(job.pages.size(), 1u) << c.ppd;
    }
}

}  // namespace
}  // namespace kvcups
