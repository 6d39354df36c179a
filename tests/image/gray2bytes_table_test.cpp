// Table path of the row conversion: thresholds and ordered-dither tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "image/gray2bytes.h"
#include "tests/toolkit/toolkit.h"

namespace {

class TablePath : public ::testing::Test {
protected:
    void SetUp() override { setDebugLogDirectory(dir.path().c_str()); }
    void TearDown() override { closeDebugLog(); }

    // Converts a uniform page and returns the set of black (x, y) inside one cell.
    std::vector<uint8_t> convert(uint8_t value, int mode, uint32_t widthBytes = 2, uint32_t height = 16) {
        std::vector<uint8_t> gray(widthBytes * 8 * height, value);
        std::vector<uint8_t> out(widthBytes * height, 0);
        Gray2Bytes(gray.data(), out.data(), widthBytes, height, mode);
        return out;
    }
    static bool black(const std::vector<uint8_t>& bits, uint32_t widthBytes, uint32_t x, uint32_t y) {
        return (bits[y * widthBytes + x / 8] & (0x80 >> (x % 8))) != 0;
    }
    static int count(const std::vector<uint8_t>& bits) {
        int n = 0;
        for (uint8_t b : bits) n += __builtin_popcount(b);
        return n;
    }
    kvtest::TempDir dir;
};

TEST_F(TablePath, Bayer16IsTheRecursiveMatrixWithOneChangedEntry) {
    // Build the matrix independently: value bits interleave x/y bits in reverse.
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) {
            int v = 0;
            for (int bit = 0; bit < 4; ++bit) {
                const int rb = (r >> bit) & 1, cb = (c >> bit) & 1;
                const int pair = rb == 0 ? (cb == 0 ? 0 : 2) : (cb == 0 ? 3 : 1);
                v |= pair << (2 * (3 - bit));
            }
            if (r == 15 && c == 0) v = 254;
            EXPECT_EQ(OrderedBayer16[r][c], v) << r << "," << c;
        }
    }
    const uint8_t row0[] = {0, 128, 32, 160, 8, 136, 40, 168, 2, 130, 34, 162, 10, 138, 42, 170};
    for (int c = 0; c < 16; ++c) EXPECT_EQ(OrderedBayer16[0][c], row0[c]);
}

TEST_F(TablePath, ClusteredDotIsAPermutationAndBayer8HasItsOne) {
    std::set<int> seen;
    for (auto& row : ClusteredDot8)
        for (uint8_t v : row) seen.insert(v);
    EXPECT_EQ(seen.size(), 64u);
    EXPECT_EQ(*seen.rbegin(), 63);
    EXPECT_EQ(OrderedBayer8[0][0], 1);
}

TEST_F(TablePath, Thresholds) {
    struct Case {
        int mode;
        uint8_t value;
        int blackDots;
    } cases[] = {
        {0, 128, 256}, {0, 129, 0},         {1, 160, 256},    {1, 161, 0}, {5, 160, 256}, {5, 161, 0},
        {2, 3, 256},   {2, 4, 256 - 2 * 4}, {2, 128, 31 * 4}, {2, 255, 0}, {4, 255, 0},   {4, 254, 0},
        {4, 253, 2},   {4, 0, 255},         {3, 0, 256 - 4},  {3, 255, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(count(convert(c.value, c.mode)), c.blackDots) << "mode " << c.mode << " grey " << int(c.value);
    }
    // Wider and taller than one cell: the tables repeat across and down.
    EXPECT_EQ(count(convert(128, 2, 4, 32)), 31 * 16);
    EXPECT_EQ(count(convert(0, 3, 4, 32)), (64 - 1) * 16);
    EXPECT_EQ(count(convert(253, 4, 4, 32)), 2 * 4);
    const auto bits = convert(253, 4);
    EXPECT_TRUE(black(bits, 2, 7, 8));   // entry 254 at row x=7, column y=8
    EXPECT_TRUE(black(bits, 2, 15, 0));  // the changed entry
}

TEST_F(TablePath, BitOrderAndOrIntoCallerBuffer) {
    std::vector<uint8_t> gray(16, 255);
    gray[0] = 0;
    std::vector<uint8_t> out = {0x00, 0x01};
    Gray2Bytes(gray.data(), out.data(), 2, 1, 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x80, 0x01}));
}

// The rule of each mode, one pixel at a time, as the printers define it.
bool referenceBlack(int mode, uint8_t v, uint32_t x, uint32_t y) {
    switch (mode) {
        case 0: return v <= 128;
        case 2: return v / 4 < OrderedBayer8[y % 8][x % 8];
        case 3: return v / 4 < ClusteredDot8[y % 8][x % 8];
        case 4: return v < OrderedBayer16[x % 16][y % 16];
        default: return v <= 160;
    }
}

TEST_F(TablePath, WholeRowsMatchThePerPixelRuleOnRandomPages) {
    std::mt19937 random(14);
    // Odd and even byte widths, heights off the 16-row cell, every table,
    // the modes that share the default threshold, and bits the caller set.
    for (uint32_t widthBytes : {1u, 2u, 3u, 5u, 102u, 311u}) {
        for (uint32_t height : {1u, 17u, 40u}) {
            for (int mode : {0, 1, 2, 3, 4, 5, 6, -1}) {
                std::vector<uint8_t> gray(static_cast<size_t>(widthBytes) * 8 * height);
                for (uint8_t& v : gray) v = static_cast<uint8_t>(random());
                std::vector<uint8_t> preset(static_cast<size_t>(widthBytes) * height);
                for (uint8_t& b : preset) b = random() % 4 == 0 ? static_cast<uint8_t>(random()) : 0;
                std::vector<uint8_t> expected = preset;
                for (uint32_t y = 0; y < height; ++y) {
                    for (uint32_t x = 0; x < widthBytes * 8; ++x) {
                        if (referenceBlack(mode, gray[static_cast<size_t>(y) * widthBytes * 8 + x], x, y))
                            expected[static_cast<size_t>(y) * widthBytes + x / 8] |=
                                static_cast<uint8_t>(0x80 >> (x % 8));
                    }
                }
                std::vector<uint8_t> out = preset;
                old_Gray2Bytes(gray.data(), out.data(), widthBytes, height, mode);
                ASSERT_EQ(out, expected) << "mode " << mode << " width " << widthBytes << " height " << height;
            }
        }
    }
}

TEST_F(TablePath, EveryGreyLevelAtEveryCellPosition) {
    // One 16x16 block per grey level, side by side: every level meets every
    // entry of each table.
    constexpr uint32_t kWidth = 16 * 256;
    std::vector<uint8_t> gray(kWidth * 16);
    for (uint32_t y = 0; y < 16; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) gray[y * kWidth + x] = static_cast<uint8_t>(x / 16);
    }
    for (int mode : {0, 1, 2, 3, 4, 5}) {
        std::vector<uint8_t> out(kWidth / 8 * 16, 0);
        old_Gray2Bytes(gray.data(), out.data(), kWidth / 8, 16, mode);
        for (uint32_t y = 0; y < 16; ++y) {
            for (uint32_t x = 0; x < kWidth; ++x) {
                ASSERT_EQ(black(out, kWidth / 8, x, y), referenceBlack(mode, static_cast<uint8_t>(x / 16), x, y))
                    << "mode " << mode << " at " << x << "," << y;
            }
        }
    }
}

TEST(CharToHex, Digits) {
    EXPECT_EQ(charToHex(0), '0');
    EXPECT_EQ(charToHex(10), 'A');
    EXPECT_EQ(charToHex(15), 'F');
    EXPECT_EQ(charToHex(16), '0');
    EXPECT_EQ(charToHex(0x10A), '0');  // larger values are never cut to their low byte
    EXPECT_EQ(charToHex(static_cast<uint32_t>(-1)), '0');
}

}  // namespace
