// Reading raster pages through the real filter: a page is read only up to the
// printer's largest media (from the PPD, or the cap without one), rows keep
// their order however they are read, and a page that ends early prints white
// to its full height.
#include <gtest/gtest.h>

#include <string>

#include "tests/toolkit/toolkit.h"

using kvtest::FilterRun;
using kvtest::RasterPage;

namespace {

const std::string kTooLarge = "PAGE: 1 1\nERROR: Page is larger than the printer's largest media\n";

class PageReadingTest : public ::testing::Test {
protected:
    FilterRun run(const std::string& ppdPath, const std::vector<RasterPage>& pages, const std::string& options = "") {
        return kvtest::runFilter({.options = options, .ppdPath = ppdPath, .input = kvtest::rasterStream(pages)},
                                 dir.path());
    }
    // An ESC/POS PPD; with `media`, one paper size of 100 x 200 points at 72 dpi,
    // so the largest page is 100 x 200 dots (plus slack: 111 x 214).
    std::string escPpd(bool media) {
        const std::string sizes =
            "*OpenUI *PageSize/Media Size: PickOne\n*DefaultPageSize: Small\n*PageSize Small/Small: \"\"\n"
            "*CloseUI: *PageSize\n*DefaultPaperDimension: Small\n*PaperDimension Small/Small: \"100 200\"\n"
            "*OpenUI *Resolution/Resolution: PickOne\n*DefaultResolution: 72dpi\n*Resolution 72dpi/72 DPI: \"\"\n"
            "*CloseUI: *Resolution\n";
        return kvtest::writePpd(dir.path(),
                                {.attributes = {{"KVAttr", "PrinterModel", "ESC"}}, .extra = media ? sizes : ""});
    }
    kvtest::TempDir dir;
};

RasterPage headerOnly(uint32_t width, uint32_t height, cups_cspace_t space = CUPS_CSPACE_W) {
    return {.space = space, .width = width, .height = height, .headerOnly = true};
}

TEST_F(PageReadingTest, LargestMediaWithSlackIsReadAndOneDotMoreIsRefused) {
    struct Case {
        const char* name;
        bool media;
        RasterPage page;
        bool refused;
    } cases[] = {
        {"largest page", true, headerOnly(111, 214), false},
        {"one column more", true, headerOnly(112, 1), true},
        {"one row more", true, headerOnly(8, 215), true},
        // A colour page may hold no more bytes a row than the grey queue's largest page.
        {"RGBA page of the queue's bytes", true, headerOnly(27, 8, CUPS_CSPACE_RGBA), false},
        {"RGBA page wider in bytes", true, headerOnly(28, 8, CUPS_CSPACE_RGBA), true},
        // Without media sizes: 2560 x 12000 dots.
        {"cap width", false, headerOnly(2560, 1), false},
        {"cap width + 1", false, headerOnly(2561, 1), true},
        {"cap height", false, headerOnly(8, 12000), false},
        {"cap height + 1", false, headerOnly(8, 12001), true},
    };
    for (const Case& c : cases) {
        const FilterRun r = run(escPpd(c.media), {c.page});
        EXPECT_EQ(r.signal, 0) << c.name;
        EXPECT_EQ(r.status, c.refused ? 1 : 0) << c.name;
        EXPECT_EQ(r.err, c.refused ? kTooLarge : "PAGE: 1 1\n") << c.name;
        ASSERT_GE(r.out.size(), 4u) << c.name;
        EXPECT_EQ(r.out.substr(r.out.size() - 2), "\x1B\x40") << c.name;  // the job end is still sent
        if (c.refused) {
            EXPECT_EQ(r.out, "\x1B\x40\x1B\x40") << c.name;
        }
    }
}

// 8 dots by 2^27 - 1 rows, header only: 1.8 KB that once cost minutes, gigabytes
// of memory and 134 MB of output. Refused before anything is allocated, with
// and without a PPD.
TEST_F(PageReadingTest, HeaderOnlyPageOfAHundredMillionRowsIsRefusedAtOnce) {
    const RasterPage page = headerOnly(8, (1u << 27) - 1);
    for (const std::string& ppd : {std::string(), escPpd(true)}) {
        const FilterRun r = run(ppd, {page});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, kTooLarge);
        EXPECT_LE(r.out.size(), 4u);
    }
}

// Row r is black when r % 3 == 0 or r % 7 == 0. Rows of 64 dots and of 61 dots
// (padded to 64), 5000 of them, far more than the raster input buffers at a
// time: every row lands in its place.
TEST_F(PageReadingTest, RowsKeepTheirOrderWithAndWithoutPadding) {
    const std::string ppd = kvtest::writePpd(dir.path(), {.attributes = {{"KVAttr", "PrinterModel", "TSPL"}}});
    constexpr uint32_t kRows = 5000;
    for (const uint32_t width : {64u, 61u}) {
        RasterPage page = kvtest::grayPage(width, kRows, 255);
        std::string want;
        for (uint32_t r = 0; r < kRows; ++r) {
            const bool black = r % 3 == 0 || r % 7 == 0;
            if (black) std::fill_n(page.data.begin() + r * width, width, 0);
            // TSPL prints 0 bits; the padding of a 61-dot row is white (1 bits).
            want += std::string(7, black ? '\x00' : '\xFF');
            want += black && width == 64 ? '\x00' : black ? '\x07' : '\xFF';
        }
        const FilterRun r = run(ppd, {page}, "PrintMode=0");
        ASSERT_EQ(r.status, 0) << width;
        const std::string header = "BITMAP 0,0,8,5000,0,";
        const size_t at = r.out.find(header);
        ASSERT_NE(at, std::string::npos) << width;
        EXPECT_TRUE(r.out.compare(at + header.size(), want.size(), want) == 0) << width;
    }
}

// Rows missing at the end of the stream print white, to the page's full height.
TEST_F(PageReadingTest, PageEndingEarlyIsWhiteToItsFullHeight) {
    const std::string ppd = kvtest::writePpd(dir.path(), {.attributes = {{"KVAttr", "PrinterModel", "TSPL"}}});
    RasterPage page = kvtest::grayPage(16, 300, 0);
    std::string stream = kvtest::rasterStream({page}, false);
    stream.resize(stream.size() - 16 * 290);  // 10 rows of black remain
    const FilterRun r = kvtest::runFilter({.options = "PrintMode=0", .ppdPath = ppd, .input = stream}, dir.path());
    EXPECT_EQ(r.status, 0);
    const std::string header = "BITMAP 0,0,2,300,0,";
    const size_t at = r.out.find(header);
    ASSERT_NE(at, std::string::npos);
    EXPECT_TRUE(r.out.compare(at + header.size(), 600, std::string(20, '\x00') + std::string(580, '\xFF')) == 0);
}

}  // namespace
