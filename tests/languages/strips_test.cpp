// Strip search, compressed TSPL and Z64 ZPL strips, and the width crop,
// called directly with settings made to order.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "languages/generators.h"
#include "languages/strips.h"
#include "tests/languages/lang_oracle.h"

namespace {

using langtest::Field;

JobSettings limits(int64_t raw, int64_t zipped) {
    JobSettings s{};
    s.noCompressie = raw;
    s.compressie = zipped;
    return s;
}

struct Search {
    uint64_t cut = 0;
    uint64_t zipped = 0;
    std::string packed;
};

Search search(uint64_t width, uint64_t height, const std::vector<uint8_t>& bits, const JobSettings& s) {
    Search r;
    r.zipped = compressBound(bits.size());
    std::vector<uint8_t> work(r.zipped);
    r.cut = getCutImageLength(width, height, bits.data(), work.data(), &r.zipped, &s);
    r.packed.assign(reinterpret_cast<const char*>(work.data()), r.zipped);
    return r;
}

std::string str(const std::vector<uint8_t>& v, size_t n) { return std::string(v.begin(), v.begin() + n); }

// A one-bit page of `rows` rows, 8 bytes each, with varied content.
std::vector<uint8_t> patternBits(uint64_t rows, uint32_t seed) {
    std::vector<uint8_t> bits = langtest::patternPage(64, 100, seed).data;
    bits.resize(8 * rows);
    return bits;
}

TEST(StripSearch, HalvesUntilTheRawLimitIsMet) {
    const std::vector<uint8_t> zeros(800, 0);
    struct Case {
        uint64_t width, height;
        int64_t raw;
        uint64_t want;
    } cases[] = {
        {64, 100, 300000, 800},                       // under both limits: the whole rest
        {64, 100, 801, 800},    {64, 100, 800, 400},  // a limit equal to the size rejects it
        {64, 100, 300, 200},                          // 800, 400, then 200
        {8, 777, 777, 388},                           // an odd height loses its last row at the first halving
        {64, 100, 0, 8},                              // not even one row fits: that row goes regardless
        {64, 100, -1, 800},                           // limits compare as unsigned counts
    };
    for (const auto& c : cases) {
        const Search r = search(c.width, c.height, zeros, limits(c.raw, 64000));
        EXPECT_EQ(r.cut, c.want) << c.width << "x" << c.height << " raw limit " << c.raw;
        // The work buffer holds exactly the accepted strip, compressed.
        EXPECT_EQ(langtest::inflateAll(r.packed, r.cut), str(zeros, r.cut));
    }
}

TEST(StripSearch, HalvesUntilTheCompressedLimitIsMet) {
    const std::vector<uint8_t> noise = langtest::noisePage(64, 100, 7).data;  // 800 bytes that don't shrink
    Search r = search(64, 100, noise, limits(300000, 500));
    EXPECT_EQ(r.cut, 400u);
    EXPECT_LT(r.zipped, 500u);
    EXPECT_EQ(langtest::inflateAll(r.packed, r.cut), str(noise, 400));

    r = search(64, 100, noise, limits(300000, 0));  // nothing compresses below 0
    EXPECT_EQ(r.cut, 8u);
    EXPECT_EQ(langtest::inflateAll(r.packed, r.cut), str(noise, 8));
}

std::string tsplStrips(const std::vector<uint8_t>& bits, uint64_t width, uint64_t height, const JobSettings& s) {
    DynamicArrayPtr out(dynamic_array_init(2));
    TSPL_Zlib_CutImage(out.get(), width, height, width / 8, bits.data(), &s);
    return "CLS\r\n" + std::string(reinterpret_cast<char*>(out->data), out->size) + "PRINT 1,1\r\n";
}

std::string zplStrips(const std::vector<uint8_t>& bits, uint64_t width, uint64_t height, const JobSettings& s) {
    DynamicArrayPtr out(dynamic_array_init(2));
    ZPL_Zlib_CutImage(out.get(), width, height, width / 8, bits.data(), &s);
    return std::string(reinterpret_cast<char*>(out->data), out->size);
}

// 8 bytes a row, raw limit 300: strips of 25 (of 100), 37 (of 75), 19 (of 38), 19 rows.
const std::vector<uint64_t> kStripRows = {25, 37, 19, 19};
const std::vector<int64_t> kStripY = {0, 25, 62, 81};

TEST(TsplStrips, FollowTheSearchAndRebuildThePage) {
    const std::vector<uint8_t> bits = patternBits(100, 0);
    JobSettings s = limits(300, 64000);
    s.horizontal = 3;
    s.vertical = 10;
    const std::string job = tsplStrips(bits, 64, 100, s);
    const std::vector<Field> fields = langtest::decodeTspl(job);
    ASSERT_EQ(fields.size(), kStripRows.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i].kind, "zlib");
        EXPECT_EQ(fields[i].x, 3);
        EXPECT_EQ(fields[i].y, 10 + kStripY[i]);
        EXPECT_EQ(fields[i].rows, kStripRows[i]);
        EXPECT_EQ(fields[i].bytesWidth, 8u);
    }
    EXPECT_TRUE(langtest::assemble(fields, 8, 100, 10) == str(bits, bits.size()));
    // The head of the first strip, byte for byte.
    EXPECT_EQ(job.substr(5, 21), "BITMAP 3,10,8,25,3," + std::to_string(fields[0].packedLength).substr(0, 2));
}

TEST(TsplStrips, LimitsBelowOneRowStillFinishThePage) {
    const std::vector<uint8_t> bits = langtest::noisePage(18, 1, 3).data;
    for (const JobSettings& s : {limits(0, 64000), limits(300000, 1), limits(2, 2)}) {
        const std::vector<Field> fields = langtest::decodeTspl(tsplStrips(bits, 16, 9, s));
        ASSERT_EQ(fields.size(), 9u);
        for (size_t i = 0; i < 9; ++i) EXPECT_EQ(fields[i].y, static_cast<int64_t>(i));
        EXPECT_TRUE(langtest::assemble(fields, 2, 9, 0) == str(bits, bits.size()));
    }
}

// 12 dots give one whole byte a row: the strips hold whole rows of that byte
// grid and never read past the page's 9 bytes (the dot count would size them
// at 12 x 9 / 8 = 13 bytes).
TEST(Strips, ADotWidthOffTheByteGridKeepsToThePage) {
    const std::vector<uint8_t> bits = langtest::noisePage(9, 1, 4).data;
    for (const JobSettings& s : {limits(300000, 64000), limits(4, 64000)}) {
        const std::vector<Field> tspl = langtest::decodeTspl(tsplStrips(bits, 12, 9, s));
        const std::vector<Field> zpl = langtest::decodeZpl(zplStrips(bits, 12, 9, s));
        EXPECT_EQ(tspl.size(), s.noCompressie == 4 ? 4u : 1u);  // 2, 3, 2, 2 rows
        EXPECT_TRUE(langtest::assemble(tspl, 1, 9, 0) == str(bits, bits.size()));
        EXPECT_TRUE(langtest::assemble(zpl, 1, 9, 0) == str(bits, bits.size()));
    }
}

TEST(ZplStrips, Z64FieldsFollowTheSearchAndCarryTheirCrc) {
    const std::vector<uint8_t> bits = patternBits(100, 5);
    JobSettings s = limits(300, 64000);
    s.horizontal = 4;
    s.vertical = 2;
    const std::string text = zplStrips(bits, 64, 100, s);
    const std::vector<Field> fields = langtest::decodeZpl(text);  // checks every CRC
    ASSERT_EQ(fields.size(), kStripRows.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i].kind, "z64");
        EXPECT_EQ(fields[i].x, 4);
        EXPECT_EQ(fields[i].y, 2 + kStripY[i]);
        EXPECT_EQ(fields[i].declared, 8 * kStripRows[i]);  // ^GFA counts are the raw strip size
    }
    EXPECT_TRUE(langtest::assemble(fields, 8, 100, 2) == str(bits, bits.size()));
    EXPECT_EQ(text.rfind("^FO4,2,0\r\n^GFA,200,200,8,:Z64:", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

// The messages of the log (time stamps and line ends taken off).
std::vector<std::string> logMessages(const std::string& log) {
    std::vector<std::string> lines;
    for (size_t p = 0, end; (end = log.find("\r\n", p)) != std::string::npos; p = end + 2) {
        lines.push_back(log.substr(p, end - p).substr(std::min<size_t>(20, end - p)));
    }
    return lines;
}

uint64_t zippedSize(const std::string& bits, size_t from, size_t count) {
    std::vector<uint8_t> work(compressBound(bits.size()));
    uLongf len = work.size();
    compress(work.data(), &len, reinterpret_cast<const Bytef*>(bits.data() + from), count);
    return len;
}

TEST(StripLog, SearchAndStripsAreLoggedLineByLine) {
    // 64 x 60 dots under a raw limit of 300: 480 bytes rejected, then two strips of 30 rows.
    const kvtest::RasterPage page = langtest::patternPage(64, 60, 2);
    for (const std::string model : {"TSPL", "ZPL"}) {
        kvtest::TempDir dir;
        const auto r =
            langtest::runLang({.model = model,
                               .attributes = {{"KVAttr", "CompressiePrint", "1"}, {"KVAttr", "NoCompressie", "300"}},
                               .pages = {page}},
                              dir);
        const bool tspl = model == "TSPL";
        const std::string plain = langtest::expectedBits(page.data, 64, 60, 0);
        const std::string bits = tspl ? langtest::inverted(plain) : plain;
        const uint64_t z0 = zippedSize(bits, 0, 480), z1 = zippedSize(bits, 0, 240), z2 = zippedSize(bits, 240, 240);
        const auto n = [](uint64_t v) { return std::to_string(v); };
        const auto candidate = [&](uint64_t zipped, int rows, uint64_t bytes) {
            return std::vector<std::string>{"compress ret = 0 ",
                                            "compress length: compressByteLength = " + n(zipped) +
                                                " / width =64 / height = " + n(rows) + " / allBytes = " + n(bytes) +
                                                " ",
                                            "allBytes = " + n(bytes) + " < 300 ? " + (bytes < 300 ? "1 " : "0 "),
                                            "compressByteLength = " + n(zipped) + " < 64000 ? 1"};
        };
        std::vector<std::string> want = {std::string(tspl ? "start " : "start:") +
                                             "allBytes = 480/ compressByteLength = " + n(compressBound(480)) +
                                             " / compressData == NULL ? 0 ",
                                         "===== start ====="};
        const auto append = [&](const std::vector<std::string>& more) {
            want.insert(want.end(), more.begin(), more.end());
        };
        // ZPL strips log their Base64 length and the CRC of the text as sent.
        const std::vector<langtest::Field> fields = tspl ? langtest::decodeTspl(r.out) : langtest::decodeZpl(r.out);
        ASSERT_EQ(fields.size(), 2u);
        size_t crcAt = 0;
        const auto strip = [&](uint64_t zipped, int y) {
            append({"===== end =====",
                    "cut image length:cutLength = 240 / allBytes = 480 / compressByteLength = " + n(zipped) + " "});
            if (tspl) {
                append({"BITMAP 0," + n(y) + ",8,30,3," + n(zipped) + ","});
                return;
            }
            crcAt = r.out.find(":Z64:", crcAt + 1);
            const size_t colon = r.out.find(':', crcAt + 5);
            append({"base64Len == " + n(colon - crcAt - 5),
                    "crc " + n(std::stoul(r.out.substr(colon + 1, 4), nullptr, 16))});
        };
        append(candidate(z0, 60, 480));
        append(candidate(z1, 30, 240));
        strip(z1, 0);
        append({"===== start ====="});
        append(candidate(z2, 30, 240));
        strip(z2, 30);
        const std::vector<std::string> got = logMessages(r.log());
        const auto at = std::find(got.begin(), got.end(), want[0]);
        ASSERT_NE(at, got.end()) << model << "\n" << r.log();
        EXPECT_EQ(std::vector<std::string>(at, at + std::min<ptrdiff_t>(got.end() - at, want.size())), want) << model;
    }
}

TEST(WidthCrop, KeepsTheLeftPartUpToTheMaximumWidth) {
    struct Case {
        int32_t maxMM, dpi;
        int64_t width;
        int bpp;
        int64_t want;
    } cases[] = {
        {48, 203, 576, 1, 384},  // trunc(9744 / 25.4) = 383, rounded up to 384
        {48, 203, 576, 4, 384}, {48, 203, 384, 1, 384}, {48, 203, 200, 1, 200}, {0, 203, 576, 1, 576},  // no limit
        {-1, 203, 576, 1, 576}, {48, 0, 576, 1, 576},  // no resolution: a zero width would lose the page
    };
    for (const auto& c : cases) {
        const uint64_t height = 3;
        std::vector<uint8_t> page(static_cast<size_t>(c.width) * c.bpp * height);
        for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i * 7 + i / 13);
        const std::vector<uint8_t> before = page;
        JobSettings s{};
        s.maxWidthMM = c.maxMM;
        s.resolution = c.dpi;
        int64_t width = c.width;
        subImageLessthenMaxPrintWidthMM(page.data(), &width, height, &s, c.bpp);
        ASSERT_EQ(width, c.want) << c.maxMM << "mm " << c.width;
        const size_t newRow = static_cast<size_t>(width) * c.bpp, oldRow = static_cast<size_t>(c.width) * c.bpp;
        for (uint64_t r = 0; r < height; ++r) {
            EXPECT_TRUE(
                std::equal(page.begin() + r * newRow, page.begin() + (r + 1) * newRow, before.begin() + r * oldRow))
                << "row " << r;
        }
    }
}

}  // namespace
