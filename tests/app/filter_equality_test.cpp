// The application prints the same bytes as the filter: for every printer
// kind, a page sent as PWG raster over IPP with a set of job attributes, and
// the same page as CUPS raster through the built filter with the PPD options
// those attributes stand for, give identical printer bytes.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "base/sysinfo.h"
#include "tests/app/app_server.h"
#include "tests/app/ipp_job.h"
#include "tests/app/pwg_raster.h"
#include "tests/toolkit/toolkit.h"

namespace kvapptest {
namespace {

struct EqualityCase {
    std::string driver;
    uint32_t dpi;
    uint32_t widthDots, heightDots;
    std::string ippAttrs;       // ipptool ATTR lines of the job
    std::string filterOptions;  // the filter's options for the same settings
    int pages = 1;
    bool colour = false;
    bool compressed = false;  // printer set to compressed bitmaps
};

std::ostream& operator<<(std::ostream& os, const EqualityCase& c) { return os << c.driver; }

std::string attr(const std::string& type, const std::string& name, const std::string& value) {
    return "  ATTR " + type + " " + name + " " + value + "\n";
}
std::string mediaCol(const std::string& members) { return "  ATTR collection media-col {" + members + "}\n"; }

// Settings of the filter that have a PPD default: given in full so that the
// PPD defaults don't matter.
const std::string kLabelRest = " Horizontal=0 Vertical=0";

const std::vector<EqualityCase>& cases() {
    static const std::vector<EqualityCase> all = {
        {"kvtspl2", 203, 400, 240,
         attr("integer", "print-darkness", "27") + attr("integer", "print-speed", "7620") +
             attr("keyword", "kovali-print-mode", "threshold") +
             mediaCol(" MEMBER keyword media-tracking mark MEMBER integer media-top-offset 200"
                      " MEMBER integer media-left-offset 100 "),
         "Darkness=12 PrintSpeed=3 MediaTracking=2 PrintMode=0 Horizontal=8 Vertical=16"},
        {"kvtspl3", 300, 591, 354,
         attr("keyword", "kovali-print-mode", "dither-8x8") + attr("integer", "print-speed", "5080") +
             mediaCol(" MEMBER keyword media-tracking continuous "),
         "Darkness=8 PrintSpeed=2 MediaTracking=0 PrintMode=2" + kLabelRest},
        {"kvtspl2", 203, 400, 240, attr("keyword", "print-content-optimize", "text"),
         "Darkness=8 PrintSpeed=4 MediaTracking=1 PrintMode=6" + kLabelRest, 1, false, true},
        {"kvzpl2", 203, 400, 240,
         attr("keyword", "print-content-optimize", "text") + attr("integer", "print-darkness", "-50") +
             attr("integer", "print-speed", "30480"),
         "Darkness=0 PrintSpeed=12 MediaTracking=1 PrintMode=6" + kLabelRest},
        {"kvzpl3", 300, 591, 354, attr("keyword", "print-content-optimize", "photo"),
         "Darkness=15 PrintSpeed=4 MediaTracking=1 PrintMode=7" + kLabelRest},
        {"kvzpl2", 203, 400, 240, attr("keyword", "kovali-print-mode", "threshold-light"),
         "Darkness=15 PrintSpeed=4 MediaTracking=1 PrintMode=1" + kLabelRest, 1, false, true},
        {"kvsfzpl", 203, 400, 240,
         attr("keyword", "print-content-optimize", "text-and-graphic") + attr("integer", "print-darkness", "100"),
         "Darkness=30 PrintSpeed=4 MediaTracking=1 PrintMode=8" + kLabelRest},
        {"kvcpcl", 203, 464, 320,
         attr("keyword", "kovali-print-mode", "clustered-dot") + attr("integer", "print-darkness", "20") +
             attr("integer", "print-speed", "12700") + mediaCol(" MEMBER integer media-top-offset 100 "),
         "Darkness=40 PrintSpeed=5 MediaTracking=0 PrintMode=3 Horizontal=0 Vertical=8"},
        {"kvpos58", 203, 464, 320,
         attr("keyword", "kovali-print-mode", "dither-16x16") + attr("keyword", "kovali-cutter", "job-end") +
             attr("keyword", "kovali-beeper", "before-page") + attr("keyword", "kovali-cash-drawer", "both-start") +
             attr("integer", "kovali-feed", "3") + attr("keyword", "kovali-black-rows", "remove"),
         "PrintMode=4 Cutting=2 Beeper=2 CashDrawer=3 FeedDist=3 BlankSpace=1", 2},
        {"kvpos80", 203, 640, 200,
         attr("keyword", "kovali-print-mode", "automatic") + attr("keyword", "kovali-beeper", "job-start") +
             attr("keyword", "kovali-cash-drawer", "both-end"),
         "PrintMode=5 Cutting=1 Beeper=4 CashDrawer=6 FeedDist=0 BlankSpace=0", 2},
        {"kvtspl2c", 203, 400, 240,
         attr("keyword", "kovali-print-mode", "threshold") + attr("integer", "kovali-red-darkness", "3"),
         "ColorPrintModel=0 ColourDarkness=3 PrintMode=0 Darkness=8 PrintSpeed=4 MediaTracking=1" + kLabelRest, 1,
         true},
        {"kvtspl2c", 203, 400, 240, attr("keyword", "kovali-colours", "red-only"),
         "ColorPrintModel=2 ColourDarkness=8 PrintMode=6 Darkness=8 PrintSpeed=4 MediaTracking=1" + kLabelRest, 1,
         true},
        {"kvlm50", 300, 400, 600,
         attr("keyword", "kovali-print-mode", "threshold") + attr("integer", "print-darkness", "29") +
             attr("integer", "print-speed", "7620"),
         "Darkness=12 PrintSpeed=3 PrintMode=0 PositioningMode=0 SilentPrint=0"},
        {"kvl50", 203, 400, 600, "", "Darkness=8 PrintSpeed=0 PrintMode=5 PositioningMode=0 SilentPrint=0"},
        {"kvl60", 300, 400, 600, attr("keyword", "kovali-print-mode", "photo-dithered"),
         "Darkness=8 PrintSpeed=0 PrintMode=9 PositioningMode=0 SilentPrint=0"},
        {"kvl50b", 300, 400, 600, attr("keyword", "print-content-optimize", "text"),
         "Darkness=8 PrintSpeed=0 PrintMode=0 PositioningMode=0 SilentPrint=0"},
        {"kvl50c", 203, 400, 600,
         attr("keyword", "kovali-print-mode", "tattoo-stencil") + attr("keyword", "kovali-silent-print", "on") +
             attr("keyword", "kovali-positioning-line", "on"),
         "Darkness=8 PrintSpeed=0 PrintMode=11 PositioningMode=1 SilentPrint=1"},
        {"kvl60b", 203, 400, 600, attr("keyword", "print-content-optimize", "photo"),
         "Darkness=8 PrintSpeed=0 PrintMode=9 PositioningMode=0 SilentPrint=0"},
    };
    return all;
}

// The same pixels as a CUPS raster page for the filter: grey (W), or RGBA
// with an opaque alpha byte where the two-colour generator reads it.
kvtest::RasterPage cupsPage(const PwgPage& p) {
    kvtest::RasterPage r;
    r.width = p.width;
    r.height = p.height;
    r.resolution = p.dpi;
    if (p.channels == 1) {
        r.space = CUPS_CSPACE_W;
        r.data = p.pixels;
        return r;
    }
    r.space = CUPS_CSPACE_RGBA;
    const bool alphaFirst = std::string(detect_linux_distro()) == "Debian";
    for (size_t i = 0; i + 2 < p.pixels.size(); i += 3) {
        if (alphaFirst) r.data.push_back(0xFF);
        r.data.insert(r.data.end(), p.pixels.begin() + static_cast<long>(i),
                      p.pixels.begin() + static_cast<long>(i) + 3);
        if (!alphaFirst) r.data.push_back(0xFF);
    }
    return r;
}

// The PPD of a kind, with compressed bitmaps switched on when asked.
std::string ppdFor(const kvtest::TempDir& dir, const EqualityCase& c) {
    const std::string original = std::string(KV_PPD_DIR) + "/" + c.driver + ".ppd";
    if (!c.compressed) return original;
    std::string text = kvtest::readFile(original);
    const std::string from = "*KVAttr CompressiePrint: \"0\"";
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), "*KVAttr CompressiePrint: \"1\"");
    const std::string path = dir.file(c.driver + ".ppd");
    std::ofstream(path) << text;
    return path;
}

class FilterEquality : public ::testing::TestWithParam<EqualityCase> {};

TEST_P(FilterEquality, SamePageSameBytes) {
    const EqualityCase& c = GetParam();
    AppServer server;
    ASSERT_TRUE(server.up()) << server.log();
    const std::string out = server.addPrinter("p", c.driver);
    ASSERT_FALSE(out.empty());
    if (c.compressed) {
        ASSERT_EQ(setPrinterAttributes(server, "p", "  ATTR keyword kovali-compression-default on\n").status, 0);
    }
    std::vector<PwgPage> pages;
    std::vector<kvtest::RasterPage> cupsPages;
    for (int i = 0; i < c.pages; ++i) {
        PwgPage p = c.colour ? colourTestPage(c.widthDots, c.heightDots, c.dpi)
                             : greyTestPage(c.widthDots, c.heightDots + 8 * static_cast<uint32_t>(i), c.dpi);
        cupsPages.push_back(cupsPage(p));
        pages.push_back(std::move(p));
    }
    kvtest::TempDir dir;
    kvtest::FilterJob filterJob;
    filterJob.options = c.filterOptions + (c.compressed ? " IsCompressie=1" : " IsCompressie=0");
    filterJob.ppdPath = ppdFor(dir, c);
    filterJob.input = kvtest::rasterStream(cupsPages);
    IppJob job{.attrs = c.ippAttrs, .document = pwgStream(pages)};
    // Dithers that jitter are seeded from the clock's second: a run that
    // crossed a second may differ and is tried again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const std::time_t before = std::time(nullptr);
        const auto sent = printIppJob(server, "p", job);
        ASSERT_EQ(sent.status, 0) << sent.out << sent.err;
        const std::string appBytes = server.takeOutput(out);
        const kvtest::FilterRun filtered = kvtest::runFilter(filterJob, dir.path());
        ASSERT_EQ(filtered.status, 0) << filtered.err;
        ASSERT_FALSE(filtered.out.empty());
        if (appBytes == filtered.out) return;
        if (std::time(nullptr) == before) {
            FAIL() << "application: " << appBytes.size() << " bytes, filter: " << filtered.out.size()
                   << " bytes\napp head: " << kvtest::hex(appBytes.substr(0, 160))
                   << "\nfilter head: " << kvtest::hex(filtered.out.substr(0, 160));
        }
    }
    FAIL() << "bytes differed in every attempt";
}

INSTANTIATE_TEST_SUITE_P(EveryKind, FilterEquality, ::testing::ValuesIn(cases()), [](const auto& instance) {
    return instance.param.driver + "_" + std::to_string(instance.index);
});

}  // namespace
}  // namespace kvapptest
