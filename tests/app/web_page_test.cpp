// The printer's web page in a real browser: headless Chromium opens the
// printing defaults of a TSPL printer, picks another darkness in the form and
// saves it; the next job's TSPL carries the new DENSITY. A screenshot of the
// page stays beside the build (artefacts/printer-page.png).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/app/app_server.h"
#include "tests/app/ipp_job.h"
#include "tests/app/pwg_raster.h"
#include "tests/app/webdriver.h"
#include "tests/cups/process.h"

namespace kvapptest {
namespace {

std::string printLabel(AppServer& server, const std::string& out) {
    IppJob job{.attrs = "", .document = pwgStream({greyTestPage(400, 240, 203)})};
    const auto sent = printIppJob(server, "tspl", job);
    EXPECT_EQ(sent.status, 0) << sent.out;
    return server.takeOutput(out);
}

TEST(WebPage, DarknessChangedInTheFormReachesTheNextJob) {
    if (kvcups::findProgram("chromedriver").empty() || kvcups::findProgram("chromium").empty()) {
        GTEST_SKIP() << "chromium and chromium-driver are not installed";
    }
    AppServer server;
    ASSERT_TRUE(server.up()) << server.log();
    const std::string out = server.addPrinter("tspl", "kvtspl2");
    ASSERT_FALSE(out.empty());
    EXPECT_NE(printLabel(server, out).find("DENSITY 8\r\n"), std::string::npos);

    Browser browser;
    ASSERT_TRUE(browser.ready()) << browser.error();
    ASSERT_TRUE(browser.open(server.webUrl("/tspl/printing"))) << browser.error();
    // 80 % of the printer's sixteen levels is DENSITY 12.
    ASSERT_TRUE(browser.click(browser.find(R"(select[name="print-darkness"] option[value="80"])"))) << browser.error();
    ASSERT_TRUE(browser.click(browser.find(R"(form#form input[type="submit"])"))) << browser.error();
    // The saved page shows the new choice.
    std::string selected;
    for (int i = 0; i < 50 && selected.empty(); ++i) {
        selected = browser.find(R"(select[name="print-darkness"] option[value="80"][selected])");
        if (selected.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(selected.empty()) << browser.error();
    std::filesystem::create_directories(KV_APP_ARTEFACTS);
    EXPECT_TRUE(browser.screenshot(std::string(KV_APP_ARTEFACTS) + "/printer-page.png"));

    const std::string bytes = printLabel(server, out);
    EXPECT_NE(bytes.find("DENSITY 12\r\n"), std::string::npos) << bytes.substr(0, 200);
}

}  // namespace
}  // namespace kvapptest
