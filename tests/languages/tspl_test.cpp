// TSPL through the real filter: exact bytes of plain pages, the set-up lines
// per setting, compressed strips decoded back into the page, crop, several
// pages, and the send-data dump.
#include <gtest/gtest.h>

#include "tests/languages/lang_oracle.h"

namespace {

using langtest::expectedBits;
using langtest::inverted;
using langtest::LangJob;
using langtest::tsplSetup;

const std::string kGap3 = "GAP 3 mm,0 mm\r\n";

std::string plainBitmap(int x, int y, const kvtest::RasterPage& page, int mode) {
    const std::string bits = inverted(expectedBits(page.data, page.width, page.height, mode));
    return "BITMAP " + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(page.width / 8) + "," +
           std::to_string(page.height) + ",0," + bits + "\r\n";
}

TEST(TsplOutput, PlainLabelIsExact) {
    kvtest::TempDir dir;
    const kvtest::RasterPage page = langtest::patternPage(384, 240);
    const auto r = langtest::runLang(
        {.model = "TSPL",
         .defaults = {{"DefaultMediaTracking", "1"}, {"DefaultPrintSpeed", "4"}, {"DefaultDarkness", "8"}},
         .pages = {page}},
        dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string want = tsplSetup(48, 30, kGap3, 4, 8) + plainBitmap(0, 0, page, 0) + "PRINT 1,1\r\n";
    EXPECT_TRUE(r.out == want) << kvtest::hex(r.out.substr(0, 400));
    EXPECT_TRUE(r.dump() == r.out);
}

TEST(TsplOutput, SettingsShapeTheSetupAndBitmapLines) {
    struct Case {
        std::string options;
        std::string media;
        int x, y, mode, speed, density;
    } cases[] = {
        {"MediaTracking=0", "GAP 0 mm,0 mm\r\n", 0, 0, 0, 0, 0},
        {"MediaTracking=2 PrintMode=2", "BLINE 3 mm,0 mm\r\n", 0, 0, 2, 0, 0},
        {"MediaTracking=3 PrintMode=3", "", 0, 0, 3, 0, 0},  // unknown media: no line at all
        {"MediaTracking=1 PrintMode=4 Horizontal=5 Vertical=7", kGap3, 5, 7, 4, 0, 0},
        {"MediaTracking=1 PrintMode=1 Horizontal=-3 Darkness=15 PrintSpeed=6", kGap3, -3, 0, 1, 6, 15},
    };
    const kvtest::RasterPage page = langtest::patternPage(64, 40, 3);  // 64 x 40 dots: 8 x 5 mm at 203 dpi
    for (const auto& c : cases) {
        kvtest::TempDir dir;
        const auto r = langtest::runLang({.model = "TSPL", .options = c.options, .pages = {page}}, dir);
        const std::string want =
            tsplSetup(8, 5, c.media, c.speed, c.density) + plainBitmap(c.x, c.y, page, c.mode) + "PRINT 1,1\r\n";
        EXPECT_TRUE(r.out == want) << c.options << "\n" << r.out.substr(0, 300);
    }
}

TEST(TsplOutput, CompressedStripsRebuildThePage) {
    kvtest::TempDir dir;
    const kvtest::RasterPage page = langtest::patternPage(64, 100, 9);
    const auto r =
        langtest::runLang({.model = "TSPL",
                           .attributes = {{"KVAttr", "CompressiePrint", "1"}, {"KVAttr", "NoCompressie", "300"}},
                           .options = "Vertical=4 Horizontal=2",
                           .pages = {page}},
                          dir);
    const std::string setup = tsplSetup(8, 12, "GAP 0 mm,0 mm\r\n", 0, 0);
    ASSERT_EQ(r.out.substr(0, setup.size()), setup);
    EXPECT_EQ(r.out.substr(r.out.size() - 11), "PRINT 1,1\r\n");
    const auto fields = langtest::decodeTspl(r.out);
    // 8 bytes a row under a raw limit of 300: 25 of 100 rows, 37 of 75, 19 of 38, 19.
    ASSERT_EQ(fields.size(), 4u);
    const int64_t ys[] = {4, 29, 66, 85};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(fields[i].kind, "zlib");
        EXPECT_EQ(fields[i].x, 2);
        EXPECT_EQ(fields[i].y, ys[i]);
    }
    EXPECT_TRUE(langtest::assemble(fields, 8, 100, 4) == inverted(expectedBits(page.data, 64, 100, 0)));
    EXPECT_TRUE(r.dump() == r.out);
}

TEST(TsplOutput, CompressionLimitBelowOneRowStillPrintsEveryRow) {
    kvtest::TempDir dir;
    const kvtest::RasterPage page = langtest::noisePage(32, 6, 4);
    const auto r = langtest::runLang({.model = "TSPL",
                                      .attributes = {{"KVAttr", "CompressiePrint", "1"}, {"KVAttr", "Compressie", "3"}},
                                      .pages = {page}},
                                     dir);
    ASSERT_EQ(r.status, 0);
    const auto fields = langtest::decodeTspl(r.out);
    EXPECT_EQ(fields.size(), 6u);
    EXPECT_TRUE(langtest::assemble(fields, 4, 6, 0) == inverted(expectedBits(page.data, 32, 6, 0)));
}

TEST(TsplOutput, PagesAreSelfContainedJobsAndCroppedToMaxWidth) {
    kvtest::TempDir dir;
    const kvtest::RasterPage first = langtest::patternPage(64, 16, 1);
    const kvtest::RasterPage second = langtest::patternPage(64, 24, 2);
    // 5 mm at 203 dpi: trunc(1015 / 25.4) = 39 dots, rounded up to 40.
    const auto r = langtest::runLang(
        {.model = "TSPL", .attributes = {{"KVAttr", "PrinterMaxWidthMM", "5"}}, .pages = {first, second}}, dir);
    const std::string gap0 = "GAP 0 mm,0 mm\r\n";
    const std::string want = tsplSetup(5, 2, gap0, 0, 0) + plainBitmap(0, 0, langtest::leftColumns(first, 40), 0) +
                             "PRINT 1,1\r\n" + tsplSetup(5, 3, gap0, 0, 0) +
                             plainBitmap(0, 0, langtest::leftColumns(second, 40), 0) + "PRINT 1,1\r\n";
    EXPECT_TRUE(r.out == want) << r.out.substr(0, 300);
    EXPECT_TRUE(r.dump() == r.out);
    EXPECT_EQ(r.err, "PAGE: 1 1\nPAGE: 2 1\n");
}

TEST(TsplOutput, WhiteAndBlackPagesInvert) {
    for (const uint8_t grey : {uint8_t{255}, uint8_t{0}}) {
        kvtest::TempDir dir;
        const auto r = langtest::runLang({.model = "TSPL", .pages = {kvtest::grayPage(16, 2, grey)}}, dir);
        const std::string bytes(4, grey == 255 ? '\xFF' : '\x00');
        EXPECT_NE(r.out.find("BITMAP 0,0,2,2,0," + bytes + "\r\nPRINT 1,1\r\n"), std::string::npos);
    }
}

}  // namespace
