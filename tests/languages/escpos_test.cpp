// ESC/POS through the real filter: blank-row trimming, solid black removal,
// feed blocks, cut and beeper per page, drawers and job framing, the dump.
#include <gtest/gtest.h>

#include "tests/languages/lang_oracle.h"

namespace {

using langtest::expectedBits;

const std::string kInit = "\x1B\x40";
const std::string kBeep = "\x1B\x42\x04\x01";
const std::string kCut = std::string("\x1D\x56\x42\x00", 4);
const std::string kDrawer1 = std::string("\x1B\x70\x00\x19\xFF", 5);
const std::string kDrawer2 = std::string("\x1B\x70\x01\x19\xFF", 5);

// A grey page drawn with '#' (black) and '.' (white), one string per row.
kvtest::RasterPage drawn(const std::vector<std::string>& rows) {
    kvtest::RasterPage page =
        kvtest::grayPage(static_cast<uint32_t>(rows[0].size()), static_cast<uint32_t>(rows.size()));
    for (size_t y = 0; y < rows.size(); ++y) {
        for (size_t x = 0; x < rows[y].size(); ++x) page.data[y * page.width + x] = rows[y][x] == '#' ? 0 : 255;
    }
    return page;
}

std::string le16(uint64_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }

// The page part as the printer receives it: raster image of the kept rows, line ends, then `tail`.
std::string escPage(const kvtest::RasterPage& kept, const std::string& afterZero, const std::string& tail) {
    const uint64_t bw = kept.width / 8;
    return std::string(1, '\0') + afterZero + std::string("\x1D\x76\x30\x00", 4) + le16(bw) + le16(kept.height) +
           expectedBits(kept.data, kept.width, kept.height, 0) + "\r\n\r\n" + tail;
}

kvtest::FilterRun runEsc(const std::vector<kvtest::RasterPage>& pages, const std::string& options,
                         const kvtest::TempDir& dir, const std::string& resolution = "203dpi") {
    return langtest::runLang({.model = "ESC", .resolution = resolution, .options = options, .pages = pages}, dir);
}

const std::string kRow = "##.#....#.......#......#";
const std::string kWhite(24, '.');

TEST(EscPosOutput, TrimsBlankRowsAtTopAndBottomOnly) {
    std::vector<std::string> rows(10, kWhite);
    for (const auto& r : {kRow, kWhite, std::string(24, '#')}) rows.push_back(r);
    rows.insert(rows.end(), 5, kWhite);
    kvtest::TempDir dir;
    const auto r = runEsc({drawn(rows)}, "", dir);
    const std::string page = escPage(drawn({kRow, kWhite, std::string(24, '#')}), "", "");
    EXPECT_EQ(kvtest::hex(r.out), kvtest::hex(kInit + page + kInit));
    EXPECT_EQ(kvtest::hex(r.dump()), kvtest::hex(page));  // the job framing isn't in the dump
}

TEST(EscPosOutput, AllWhitePageKeepsItsHeight) {
    kvtest::TempDir dir;
    const auto r = runEsc({drawn({kWhite, kWhite, kWhite, kWhite})}, "", dir);
    EXPECT_EQ(kvtest::hex(r.out),
              kvtest::hex(kInit + escPage(drawn({kWhite, kWhite, kWhite, kWhite}), "", "") + kInit));
}

TEST(EscPosOutput, BlankSpaceRemovesSolidBlackRows) {
    const std::string solid(24, '#');
    const std::string openEnds = "........########........";  // only the inner byte counts
    const std::string notSolid = "########.###############";
    const std::vector<std::string> rows = {kRow, solid, openEnds, notSolid, solid, kRow};
    struct Case {
        std::string options;
        std::vector<std::string> kept;
    } cases[] = {
        {"BlankSpace=1", {kRow, notSolid, kRow}},
        {"BlankSpace=0", rows},
    };
    for (const auto& c : cases) {
        kvtest::TempDir dir;
        const auto r = runEsc({drawn(rows)}, c.options, dir);
        EXPECT_EQ(kvtest::hex(r.out), kvtest::hex(kInit + escPage(drawn(c.kept), "", "") + kInit)) << c.options;
    }
    // Two bytes wide: every row counts as solid black and the image has no rows.
    kvtest::TempDir dir;
    const auto r = runEsc({drawn({"#...............", "................"})}, "BlankSpace=1", dir);
    EXPECT_EQ(kvtest::hex(r.out),
              kvtest::hex(kInit + std::string("\0\x1D\x76\x30\x00\x02\x00\x00\x00\r\n\r\n", 13) + kInit));
}

TEST(EscPosOutput, FeedBlocksFollowTheResolution) {
    struct Case {
        std::string resolution, options;
        unsigned blocks, rows;
    } cases[] = {
        {"203dpi", "FeedDist=2", 2, 24},   {"200dpi", "FeedDist=1", 1, 24},
        {"300dpi", "FeedDist=1", 1, 36},   {"203dpi", "FeedDist=256", 0, 24},  // only the low 8 bits count
        {"203dpi", "FeedDist=257", 1, 24},
    };
    const kvtest::RasterPage page = drawn({std::string(576, '#')});
    for (const auto& c : cases) {
        kvtest::TempDir dir;
        const auto r = runEsc({page}, c.options, dir, c.resolution);
        std::string block = std::string("\x1D\x76\x30\x30\x48\x00", 6) + static_cast<char>(c.rows) + '\0';
        block += std::string(72 * c.rows, '\0');
        std::string feed;
        for (unsigned i = 0; i < c.blocks; ++i) feed += block;
        if (c.rows == 24) {
            EXPECT_EQ(block.size(), 1736u);
        }
        EXPECT_TRUE(r.out == kInit + escPage(page, "", feed) + kInit) << c.resolution << " " << c.options;
    }
}

TEST(EscPosOutput, CutBeeperAndDrawerCombinations) {
    struct Case {
        std::string options, start, afterZero, pageEnd, end;
    } cases[] = {
        {"Cutting=1 Beeper=1", kInit, "", kCut + kBeep, kInit},
        {"Beeper=2", kInit, kBeep, "", kInit},
        {"Beeper=4 CashDrawer=3 Cutting=2", kInit + kBeep + kDrawer1 + kDrawer2, "", "", kCut + kInit},
        {"Beeper=3 CashDrawer=5", kInit, "", "", kDrawer2 + kBeep + kInit},
        {"CashDrawer=1 Cutting=1", kInit + kDrawer1, "", kCut, kInit},
    };
    const kvtest::RasterPage first = drawn({kRow});
    const kvtest::RasterPage second = drawn({kRow, std::string(24, '#')});
    for (const auto& c : cases) {
        kvtest::TempDir dir;
        const auto r = runEsc({first, second}, c.options, dir);
        const std::string pages = escPage(first, c.afterZero, c.pageEnd) + escPage(second, c.afterZero, c.pageEnd);
        EXPECT_EQ(kvtest::hex(r.out), kvtest::hex(c.start + pages + c.end)) << c.options;
        EXPECT_EQ(kvtest::hex(r.dump()), kvtest::hex(pages)) << c.options;
    }
}

}  // namespace
