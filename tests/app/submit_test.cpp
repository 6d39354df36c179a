// Jobs from the other clients: "kvlabel submit" with a PWG raster file and
// with --test (the printer's test label), an IPP Print-Job with a PNG, and a
// job in the printer's own language, which passes through unchanged.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/app/app_server.h"
#include "tests/app/image_files.h"
#include "tests/app/ipp_job.h"
#include "tests/app/pwg_raster.h"

namespace kvapptest {
namespace {

// Waits (bounded) until the printer's output file holds bytes.
std::string outputOf(AppServer& server, const std::string& path) {
    for (int i = 0; i < 100; ++i) {
        std::string bytes = server.takeOutput(path);
        if (!bytes.empty()) return bytes;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "";
}

TEST(Clients, SubmitFileTestLabelAndPng) {
    AppServer server;
    ASSERT_TRUE(server.up()) << server.log();
    const std::string out = server.addPrinter("zpl", "kvzpl2");
    ASSERT_FALSE(out.empty());

    const std::string pwg = server.dir() + "/label.pwg";
    std::ofstream(pwg, std::ios::binary) << pwgStream({greyTestPage(400, 240, 203)});
    auto r = server.kvlabel({"submit", "-u", server.printerUri("zpl"), pwg});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string fromFile = outputOf(server, out);
    EXPECT_EQ(fromFile.rfind("^XA", 0), 0u) << fromFile.substr(0, 80);
    EXPECT_NE(fromFile.find("^PW400"), std::string::npos);

    // The test label: the default 4 x 6 in media at 203 dpi (812 dots, rows of
    // whole bytes: 816), darkness 15 (~SD15).
    r = server.kvlabel({"submit", "-u", server.printerUri("zpl"), "--test"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string label = outputOf(server, out);
    EXPECT_NE(label.find("~SD15"), std::string::npos) << label.substr(0, 120);
    EXPECT_NE(label.find("^PW816"), std::string::npos) << label.substr(0, 120);

    const PwgPage page = greyTestPage(300, 200, 100);
    const std::string png = server.dir() + "/picture.png";
    ASSERT_TRUE(writePng(png, page.width, page.height, 1, page.pixels));
    std::ifstream in(png, std::ios::binary);
    IppJob job{.format = "image/png",
               .attrs = "  ATTR keyword kovali-print-mode photo\n",
               .document = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
    const auto sent = printIppJob(server, "zpl", job);
    EXPECT_EQ(sent.status, 0) << sent.out;
    const std::string picture = outputOf(server, out);
    EXPECT_EQ(picture.rfind("^XA", 0), 0u);
    EXPECT_NE(picture.find("^GFA"), std::string::npos);

    const std::string raw = "^XA^FO20,20^A0N,30,30^FDraw job^FS^XZ\n";
    for (const char* format : {"application/vnd.kovali-zpl", "application/octet-stream"}) {
        IppJob rawJob{.format = format, .attrs = "", .document = raw};
        EXPECT_EQ(printIppJob(server, "zpl", rawJob).status, 0) << format;
        EXPECT_EQ(outputOf(server, out), raw) << format;
    }
}

}  // namespace
}  // namespace kvapptest
