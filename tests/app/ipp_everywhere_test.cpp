// CUPS's IPP Everywhere suite (ipp-everywhere.test with the IPP/2.0 and
// IPP/1.1 suites it includes) against one printer of every kind. Debian
// ships the suite without its sample documents, so the test writes its own
// under the names the suite expects: small pages in the raster types and
// resolutions the printer supports, empty files for the ones the suite skips.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/printer_kinds.h"
#include "tests/app/app_server.h"
#include "tests/app/image_files.h"
#include "tests/app/pwg_raster.h"

namespace kvapptest {
namespace {

namespace fs = std::filesystem;
const fs::path kSuiteDir = "/usr/share/cups/ipptool";

// The sample document a FILE line of the suite names.
void writeSample(const fs::path& dir, const std::string& name) {
    const fs::path path = dir / name;
    fs::create_directories(path.parent_path());
    const bool grey = name.find("-sgray-8-") != std::string::npos;
    const bool colour = name.find("-srgb-8-") != std::string::npos;
    const size_t dpiAt = name.rfind("dpi.pwg");
    if ((grey || colour) && dpiAt != std::string::npos && dpiAt + 7 == name.size()) {
        const size_t digits = name.find_last_not_of("0123456789", dpiAt - 1) + 1;
        const auto dpi = static_cast<uint32_t>(std::stoi(name.substr(digits, dpiAt - digits)));
        const PwgPage page = grey ? greyTestPage(dpi, dpi, dpi) : colourTestPage(dpi, dpi, dpi);
        std::ofstream(path, std::ios::binary) << pwgStream({page});
        return;
    }
    if (path.extension() == ".jpg") {
        const PwgPage page =
            name.find("gray") != std::string::npos ? greyTestPage(300, 200, 100) : colourTestPage(300, 200, 100);
        writeJpeg(path, page.width, page.height, page.channels, page.pixels);
        return;
    }
    std::ofstream(path).flush();  // a format no printer of ours takes: skipped by the suite
}

// Copies the suite unchanged and writes every document its FILE lines name.
bool prepareSuite(const fs::path& dir) {
    for (const char* file : {"ipp-everywhere.test", "ipp-2.0.test", "ipp-1.1.test"}) {
        if (!fs::exists(kSuiteDir / file)) return false;
        fs::copy_file(kSuiteDir / file, dir / file, fs::copy_options::overwrite_existing);
        std::ifstream in(kSuiteDir / file);
        std::string line;
        while (std::getline(in, line)) {
            const size_t start = line.find_first_not_of(" \t");
            if (start == std::string::npos || line.compare(start, 5, "FILE ") != 0) continue;
            std::string name = line.substr(start + 5);
            name.erase(name.find_last_not_of(" \t\r") + 1);
            if (!name.empty() && name[0] != '$' && !fs::exists(dir / name)) writeSample(dir, name);
        }
    }
    return true;
}

struct SuiteRun {
    bool serverDied = false;
    kvcups::CommandResult result;
};

SuiteRun runSuite(const std::string& driver) {
    SuiteRun run;
    AppServer server;
    if (!server.up()) {
        run.serverDied = true;
        return run;
    }
    const fs::path dir = fs::path(server.dir()) / "suite";
    fs::create_directories(dir);
    if (!prepareSuite(dir) || server.addPrinter("p", driver).empty()) return run;
    const kvapp::PrinterKind* kind = kvapp::findKind(driver);
    const std::string document = (dir / "document.pwg").string();
    std::ofstream(document, std::ios::binary) << pwgStream({greyTestPage(kind->dpi, kind->dpi, kind->dpi)});
    // printer-up-time counts whole seconds: the suite wants it above 0.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    run.result =
        server.ipptool({"-t", "-f", document, server.printerUri("p"), (dir / "ipp-everywhere.test").string()}, 240);
    run.serverDied = !server.alive();
    return run;
}

class IppEverywhere : public ::testing::TestWithParam<std::string> {};

TEST_P(IppEverywhere, NoFailures) {
    if (!fs::exists(kSuiteDir / "ipp-everywhere.test")) {
        GTEST_SKIP() << "CUPS's ipptool test files (cups-ipp-utils) are not installed";
    }
    // The suite sends its image jobs back to back, the moment PAPPL may start
    // two jobs of the printer at once: the server must come through whole.
    const SuiteRun run = runSuite(GetParam());
    ASSERT_FALSE(run.serverDied) << run.result.out;
    const auto& r = run.result;
    const size_t summary = r.out.rfind("Summary:");
    if (summary != std::string::npos) {
        std::printf("%s %s\n", GetParam().c_str(), r.out.substr(summary, r.out.find('\n', summary) - summary).c_str());
    }
    EXPECT_EQ(r.out.find("[FAIL]"), std::string::npos) << r.out;
    // KV_SHOW_SUITE=1 prints every step of the suite.
    if (std::getenv("KV_SHOW_SUITE") != nullptr) std::printf("%s\n", r.out.c_str());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("PWG 5100.14 section 5.1/5.2 - Required Operations and Attributes"), std::string::npos);
}

std::vector<std::string> drivers() {
    std::vector<std::string> names;
    for (const kvapp::PrinterKind& k : kvapp::printerKinds()) names.emplace_back(k.driver);
    return names;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, IppEverywhere, ::testing::ValuesIn(drivers()),
                         [](const auto& instance) { return instance.param; });

}  // namespace
}  // namespace kvapptest
