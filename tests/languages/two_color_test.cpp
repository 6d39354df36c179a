// Two-colour TSPL through the real filter: the colour rules per pixel, the
// four colour print models, compressed planes, and no copy in the dump.
#include <gtest/gtest.h>

#include <cstring>

#include "base/sysinfo.h"
#include "tests/languages/lang_oracle.h"

namespace {

struct Rgba {
    uint8_t r, g, b, a;
};
struct Ink {
    bool black, red;
};

// The filter on this machine reads alpha first on Debian, last elsewhere.
bool alphaFirst() { return std::strcmp(detect_linux_distro(), "Debian") == 0; }

// One test pixel per row at x = 0; the rest of every row is opaque white (no ink).
kvtest::RasterPage rgbaPage(const std::vector<Rgba>& column) {
    kvtest::RasterPage page;
    page.space = CUPS_CSPACE_RGBA;
    page.width = 8;
    page.height = static_cast<uint32_t>(column.size());
    page.data.assign(4 * 8 * column.size(), 255);
    for (size_t y = 0; y < column.size(); ++y) {
        const Rgba p = column[y];
        uint8_t* px = page.data.data() + 32 * y;
        const uint8_t bytes[4] = {p.r, p.g, p.b, p.a};
        const uint8_t argb[4] = {p.a, p.r, p.g, p.b};
        std::memcpy(px, alphaFirst() ? argb : bytes, 4);
    }
    return page;
}

struct PixelCase {
    Rgba px;
    Ink ink;
};
std::vector<PixelCase> pixelCases() {
    std::vector<PixelCase> cases = {
        {{255, 0, 0, 255}, {false, true}},  // opaque red
        {{120, 0, 0, 255}, {false, true}},  // opaque dark red: alpha 255 keeps it out of black
        {{120, 0, 0, 128}, {true, true}},   // half-transparent dark red: both
        {{180, 180, 180, 255}, {false, false}}, {{179, 179, 179, 255}, {true, false}},
        {{100, 107, 100, 255}, {true, false}},  // channels 7 apart: grey
        {{200, 208, 200, 255}, {false, true}},  // 8 apart: coloured
        {{200, 207, 200, 255}, {false, false}},
    };
    // Alpha 0 skips the pixel, except where alpha comes first (and black stays black).
    cases.push_back({{10, 10, 10, 0}, {alphaFirst(), false}});
    return cases;
}

// TSPL bitmap of one plane: 0 bits print.
std::string planeBitmap(const std::vector<PixelCase>& cases, bool red) {
    std::string bits;
    for (const auto& c : cases) bits.push_back(static_cast<char>((red ? c.ink.red : c.ink.black) ? 0x7F : 0xFF));
    return "BITMAP 0,0,1," + std::to_string(cases.size()) + ",0," + bits + "\r\n";
}

TEST(TwoColorTspl, ColourRulesAndPrintModels) {
    const auto cases = pixelCases();
    std::vector<Rgba> column;
    for (const auto& c : cases) column.push_back(c.px);
    std::vector<PixelCase> merged = cases;
    for (auto& c : merged) c.ink.black = c.ink.black || c.ink.red;
    const std::string black = "SETCOLOR BLACK\r\n" + planeBitmap(cases, false);
    const std::string red = "SETCOLOR RED 6\r\n" + planeBitmap(cases, true);
    struct Model {
        int number;
        std::string body;
    } models[] = {
        {0, black + red}, {1, black}, {2, red}, {3, "SETCOLOR BLACK\r\n" + planeBitmap(merged, false)}, {4, ""},
    };
    for (const auto& m : models) {
        kvtest::TempDir dir;
        const auto r = langtest::runLang({.model = "Two_Color_TSPL",
                                          .defaults = {{"DefaultColourDarkness", "6"}, {"DefaultMediaTracking", "1"}},
                                          .options = "ColorPrintModel=" + std::to_string(m.number),
                                          .pages = {rgbaPage(column)}},
                                         dir);
        const std::string want = langtest::tsplSetup(1, 1, "GAP 3 mm,0 mm\r\n", 0, 0) + m.body + "PRINT 1,1\r\n";
        EXPECT_EQ(kvtest::hex(r.out), kvtest::hex(want)) << "model " << m.number;
        EXPECT_EQ(r.dump(), "");  // two-colour pages aren't copied into the dump
    }
}

TEST(TwoColorTspl, CompressedPlanesDecodeToTheSplit) {
    // 64 x 60: red where x < 24, black where y < 20, opaque white elsewhere.
    kvtest::RasterPage page;
    page.space = CUPS_CSPACE_RGBA;
    page.width = 64;
    page.height = 60;
    std::string wantBlack(8 * 60, '\xFF'), wantRed(8 * 60, '\xFF');
    for (uint32_t y = 0; y < 60; ++y) {
        for (uint32_t x = 0; x < 64; ++x) {
            Rgba p = x < 24 ? Rgba{230, 20, 20, 255} : (y < 20 ? Rgba{0, 0, 0, 255} : Rgba{255, 255, 255, 255});
            const uint8_t bytes[4] = {p.r, p.g, p.b, p.a}, argb[4] = {p.a, p.r, p.g, p.b};
            page.data.insert(page.data.end(), alphaFirst() ? argb : bytes, (alphaFirst() ? argb : bytes) + 4);
            std::string& plane = x < 24 ? wantRed : wantBlack;
            if (x < 24 || y < 20) plane[y * 8 + x / 8] &= static_cast<char>(~(0x80 >> (x % 8)));
        }
    }
    kvtest::TempDir dir;
    const auto r =
        langtest::runLang({.model = "Two_Color_TSPL",
                           .attributes = {{"KVAttr", "CompressiePrint", "1"}, {"KVAttr", "NoCompressie", "200"}},
                           .options = "ColourDarkness=3 Vertical=2",
                           .pages = {page}},
                          dir);
    std::vector<langtest::Field> black, red;
    for (const auto& f : langtest::decodeTspl(r.out)) {
        EXPECT_EQ(f.kind, "zlib");
        (f.color == "SETCOLOR BLACK" ? black : red).push_back(f);
        EXPECT_TRUE(f.color == "SETCOLOR BLACK" || f.color == "SETCOLOR RED 3") << f.color;
    }
    EXPECT_GT(black.size(), 1u);  // 480 bytes under a raw limit of 200: several strips
    EXPECT_TRUE(langtest::assemble(black, 8, 60, 2) == wantBlack);
    EXPECT_TRUE(langtest::assemble(red, 8, 60, 2) == wantRed);
}

// Grey and RGB pages on a two-colour queue are split by the RGBA rules as
// opaque pixels (grey: black up to 179; RGB: a coloured pixel is red only), and
// only the page's own bytes are read: one, three or four a pixel.
TEST(TwoColorTspl, GreyAndRgbPagesAreSplitAsOpaqueColours) {
    struct Column {
        kvtest::RasterPage page;
        std::vector<PixelCase> cases;
    } columns[2];
    const std::vector<PixelCase> grey = {{{0, 0, 0, 255}, {true, false}},
                                         {{179, 179, 179, 255}, {true, false}},
                                         {{180, 180, 180, 255}, {false, false}},
                                         {{255, 255, 255, 255}, {false, false}}};
    const std::vector<PixelCase> rgb = {{{255, 0, 0, 255}, {false, true}},  // red
                                        {{120, 0, 0, 255}, {false, true}},  // dark red: opaque, so not black
                                        {{100, 107, 100, 255}, {true, false}},
                                        {{200, 208, 200, 255}, {false, true}},
                                        {{200, 207, 200, 255}, {false, false}}};
    columns[0].cases = grey;
    columns[1].cases = rgb;
    for (auto& c : columns) {
        const bool isGrey = &c == &columns[0];
        c.page.space = isGrey ? CUPS_CSPACE_W : CUPS_CSPACE_RGB;
        c.page.width = 8;
        c.page.height = static_cast<uint32_t>(c.cases.size());
        const uint32_t bpp = isGrey ? 1 : 3;
        c.page.data.assign(size_t{bpp} * 8 * c.cases.size(), 255);
        for (size_t y = 0; y < c.cases.size(); ++y) {
            const Rgba p = c.cases[y].px;
            const uint8_t bytes[3] = {p.r, p.g, p.b};
            std::memcpy(c.page.data.data() + bpp * 8 * y, bytes, bpp);
        }
    }
    for (const auto& c : columns) {
        kvtest::TempDir dir;
        const auto r = langtest::runLang({.model = "Two_Color_TSPL",
                                          .defaults = {{"DefaultColourDarkness", "6"}, {"DefaultMediaTracking", "1"}},
                                          .pages = {c.page}},
                                         dir);
        const std::string want = langtest::tsplSetup(1, 0, "GAP 3 mm,0 mm\r\n", 0, 0) + "SETCOLOR BLACK\r\n" +
                                 planeBitmap(c.cases, false) + "SETCOLOR RED 6\r\n" + planeBitmap(c.cases, true) +
                                 "PRINT 1,1\r\n";
        EXPECT_EQ(kvtest::hex(r.out), kvtest::hex(want)) << (c.page.space == CUPS_CSPACE_W ? "grey" : "RGB");
    }
}

}  // namespace
