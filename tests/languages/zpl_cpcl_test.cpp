// ZPL, SF ZPL and CPCL through the real filter: exact bytes of plain pages,
// Z64 strips decoded back into the page, the SF prefix, CPCL EG and CG forms.
#include <gtest/gtest.h>

#include "tests/languages/lang_oracle.h"

namespace {

using langtest::expectedBits;

std::string hexOf(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

std::string zplHexField(int x, int y, const kvtest::RasterPage& page, int mode) {
    const std::string n = std::to_string(page.width / 8 * page.height);
    return "^FO" + std::to_string(x) + "," + std::to_string(y) + ",0\r\n^GFA," + n + "," + n + "," +
           std::to_string(page.width / 8) + "," + hexOf(expectedBits(page.data, page.width, page.height, mode)) +
           "\r\n";
}

TEST(ZplOutput, PlainFormatIsExact) {
    kvtest::TempDir dir;
    const kvtest::RasterPage page = langtest::patternPage(384, 240, 4);
    const auto r = langtest::runLang(
        {.model = "ZPL", .defaults = {{"DefaultPrintSpeed", "4"}, {"DefaultDarkness", "20"}}, .pages = {page}}, dir);
    const std::string want =
        "^XA^LH0,0^MNN^LS0^POI^PW384^LL240\r\n^PR4\r\n~SD20\r\n" + zplHexField(0, 0, page, 0) + "^PQ1^XZ\r\n";
    EXPECT_TRUE(r.out == want) << r.out.substr(0, 200);
    EXPECT_TRUE(r.dump() == r.out);
}

TEST(ZplOutput, MediaTrackingOffsetsAndModes) {
    struct Case {
        std::string options, media;
        int x, y, mode;
    } cases[] = {
        {"MediaTracking=1 PrintMode=2", "^MNW", 0, 0, 2},
        {"MediaTracking=2 PrintMode=3 Horizontal=5 Vertical=7", "^MNM", 5, 7, 3},
        {"MediaTracking=9 PrintMode=4", "", 0, 0, 4},
    };
    const kvtest::RasterPage page = langtest::patternPage(32, 20, 8);
    for (const auto& c : cases) {
        kvtest::TempDir dir;
        const auto r = langtest::runLang({.model = "ZPL", .options = c.options, .pages = {page}}, dir);
        const std::string want = "^XA^LH0,0" + c.media + "^LS0^POI^PW32^LL20\r\n^PR0\r\n~SD0\r\n" +
                                 zplHexField(c.x, c.y, page, c.mode) + "^PQ1^XZ\r\n";
        EXPECT_TRUE(r.out == want) << c.options << "\n" << r.out;
    }
}

TEST(ZplOutput, Z64StripsRebuildThePage) {
    kvtest::TempDir dir;
    const kvtest::RasterPage page = langtest::patternPage(64, 100, 6);
    const auto r =
        langtest::runLang({.model = "ZPL",
                           .attributes = {{"KVAttr", "CompressiePrint", "1"}, {"KVAttr", "NoCompressie", "300"}},
                           .options = "Vertical=3",
                           .pages = {page}},
                          dir);
    const std::string head = "^XA^LH0,0^MNN^LS0^POI^PW64^LL100\r\n^PR0\r\n~SD0\r\n^FO0,3,0\r\n^GFA,200,200,8,:Z64:";
    EXPECT_EQ(r.out.substr(0, head.size()), head);
    EXPECT_EQ(r.out.substr(r.out.size() - 9), "^PQ1^XZ\r\n");
    const auto fields = langtest::decodeZpl(r.out);  // checks each CRC
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[3].y, 3 + 81);
    EXPECT_TRUE(langtest::assemble(fields, 8, 100, 3) == expectedBits(page.data, 64, 100, 0));
    EXPECT_TRUE(r.dump() == r.out);
}

TEST(SfZplOutput, IsTheZplFormatAfterTheSfLine) {
    const std::vector<kvtest::RasterPage> pages = {langtest::patternPage(48, 10, 1), langtest::patternPage(48, 12, 2)};
    kvtest::TempDir zplDir, sfDir;
    const auto zpl = langtest::runLang({.model = "ZPL", .options = "Darkness=5", .pages = pages}, zplDir);
    const auto sf = langtest::runLang({.model = "KV_SF_ZPL", .options = "Darkness=5", .pages = pages}, sfDir);
    const size_t second = zpl.out.find("^XA", 1);
    ASSERT_NE(second, std::string::npos);
    const std::string want = "^^XX\r\n" + zpl.out.substr(0, second) + "^^XX\r\n" + zpl.out.substr(second);
    EXPECT_TRUE(sf.out == want) << sf.out.substr(0, 120);
    EXPECT_TRUE(sf.dump() == sf.out);
}

std::string cpclHead(int dpi, const kvtest::RasterPage& page, int tone, int speed) {
    const std::string d = std::to_string(dpi);
    return "! 0 " + d + " " + d + " " + std::to_string(page.height) + " 1\r\nPW " + std::to_string(page.width) +
           "\r\nNO-PACE\r\nGAP-SENSE\r\nTONE " + std::to_string(tone) + "\r\nSPEED " + std::to_string(speed) + ".0\r\n";
}

TEST(CpclOutput, HexGraphicLabelIsExact) {
    kvtest::TempDir dir;
    const kvtest::RasterPage page = langtest::patternPage(384, 240, 5);
    const auto r = langtest::runLang(
        {.model = "CPCL", .defaults = {{"DefaultPrintSpeed", "3"}, {"DefaultMediaTracking", "2"}}, .pages = {page}},
        dir);
    const std::string want = cpclHead(200, page, 0, 3) + "EG 48 240 0 0 \r\n" +
                             hexOf(expectedBits(page.data, 384, 240, 0)) + "\r\n\r\nFORM\r\nPRINT\r\n";
    EXPECT_TRUE(r.out == want) << r.out.substr(0, 200);
    EXPECT_TRUE(r.dump() == r.out);
}

TEST(CpclOutput, BinaryGraphicOffsetsAndHeaderResolution) {
    struct Case {
        std::string resolution;
        int headerDpi;
    } cases[] = {{"200dpi", 200}, {"300dpi", 300}, {"600dpi", 300}};
    const kvtest::RasterPage page = langtest::patternPage(40, 9, 7);
    for (const auto& c : cases) {
        kvtest::TempDir dir;
        const auto r = langtest::runLang({.model = "CPCL",
                                          .resolution = c.resolution,
                                          .attributes = {{"KVAttr", "CompressiePrint", "1"}},
                                          .options = "Horizontal=11 Vertical=13 Darkness=2 PrintMode=2",
                                          .pages = {page}},
                                         dir);
        const std::string want = cpclHead(c.headerDpi, page, 2, 0) + "CG 5 9 11 13 \r\n" +
                                 expectedBits(page.data, 40, 9, 2) + "\r\n\r\nFORM\r\nPRINT\r\n";
        EXPECT_TRUE(r.out == want) << c.resolution << "\n" << kvtest::hex(r.out);
    }
}

}  // namespace
