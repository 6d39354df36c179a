// Gray2Bytes through the image-processing chain (print modes above 5 and
// negative ones): the flags each mode selects, the packing and the log lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "base/seams.h"
#include "image/dither.h"
#include "image/gray2bytes.h"
#include "image/processing_chains.h"
#include "tests/toolkit/toolkit.h"

namespace {

struct Gray2BytesChain : ::testing::Test {
    kvtest::TempDir dir;
    void SetUp() override {
        setDebugLogDirectory(dir.path().c_str());
        setKvClock([]() -> std::time_t { return 1650000000; });
    }
    void TearDown() override {
        closeDebugLog();
        setKvClock(nullptr);
    }
    std::string log() {
        closeDebugLog();
        return kvtest::readFile(dir.file("LxxLog.log"));
    }
    void imageModesMatchTheChain(const std::vector<uint8_t>& gray, uint32_t widthBytes);
};

std::vector<uint8_t> run(const std::vector<uint8_t>& gray, uint32_t widthBytes, int32_t mode) {
    const uint32_t height = static_cast<uint32_t>(gray.size() / (widthBytes * 8));
    std::vector<uint8_t> out(widthBytes * height, 0);
    Gray2Bytes(gray.data(), out.data(), widthBytes, height, mode);
    return out;
}

std::vector<uint8_t> pack(const uint8_t* gray, size_t pixels, uint8_t threshold) {
    std::vector<uint8_t> out(pixels / 8, 0);
    for (size_t i = 0; i < pixels; ++i)
        if (gray[i] < threshold) out[i / 8] = static_cast<uint8_t>(out[i / 8] | (0x80 >> (i % 8)));
    return out;
}

// A page with white margins, text strokes and a grey ramp.
std::vector<uint8_t> mixedPage(uint32_t width, uint32_t height) {
    std::vector<uint8_t> gray(static_cast<size_t>(width) * height, 255);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t& p = gray[y * width + x];
            if (y >= 4 && y < 12 && x % 6 < 2) p = 0;
            if (y >= 16 && y < 28) p = static_cast<uint8_t>(x * 255 / width);
        }
    }
    return gray;
}

TEST_F(Gray2BytesChain, TextAndUnknownModesThresholdAt160) {
    std::vector<uint8_t> gray(16 * 2, 255);
    gray[0] = 159;
    gray[1] = 160;
    gray[9] = 0;
    gray[16 + 15] = 100;
    for (int32_t mode : {6, 9, 10, 11, -1, -32768}) {
        EXPECT_EQ(run(gray, 2, mode), (std::vector<uint8_t>{0x80, 0x40, 0x00, 0x01})) << mode;
    }
    const std::string text = log();
    EXPECT_NE(text.find("Gray2Bytes:6\r\n"), std::string::npos);
    EXPECT_NE(text.find("Gray2Bytes - new\r\n"), std::string::npos);
    EXPECT_NE(text.find("KVImageAlgoText\r\n"), std::string::npos);
    EXPECT_NE(text.find("Gray2Bytes:-1\r\n"), std::string::npos);
    EXPECT_NE(text.find("unknow\r\n"), std::string::npos);
    EXPECT_NE(text.find("getPrintData\r\n"), std::string::npos);
}

// Flag word 0 takes a direct pass: the same plane as the chain itself makes,
// written over whatever the caller's buffer held, on random pages of odd and
// even byte widths; unusable pages stay untouched, as with the chain.
TEST_F(Gray2BytesChain, TextModesMatchTheChainOnRandomPages) {
    std::srand(14);
    for (uint32_t widthBytes : {1u, 3u, 102u}) {
        for (uint32_t height : {1u, 37u}) {
            const uint32_t width = widthBytes * 8;
            std::vector<uint8_t> gray(static_cast<size_t>(width) * height);
            for (uint8_t& v : gray) v = static_cast<uint8_t>(std::rand());
            KVImagePtr image(creatKVImage(width, height));
            image->gray = static_cast<uint8_t*>(std::malloc(gray.size()));
            std::memcpy(image->gray, gray.data(), gray.size());
            PrintSetting setting = creatDefaultPrintSetting();
            setting.threshold = 160;
            ASSERT_EQ(getKVImageProcessingForCustom(image.get(), &setting, 0), 0);
            const std::vector<uint8_t> chain(image->bin, image->bin + gray.size() / 8);
            for (int32_t mode : {6, 9, -1}) {
                std::vector<uint8_t> out(gray.size() / 8);
                for (uint8_t& b : out) b = static_cast<uint8_t>(std::rand());
                Gray2Bytes(gray.data(), out.data(), widthBytes, height, mode);
                ASSERT_EQ(out, chain) << "mode " << mode << " width " << widthBytes << " height " << height;
            }
        }
    }
    std::vector<uint8_t> out(8, 0x5A);
    Gray2Bytes(nullptr, out.data(), 1, 8, 6);
    Gray2Bytes(std::vector<uint8_t>(64, 0).data(), out.data(), 0, 8, 6);
    EXPECT_EQ(out, std::vector<uint8_t>(8, 0x5A));
    std::string text = log();
    size_t lines = 0;
    for (size_t at = 0; (at = text.find("KVImageAlgoText\r\n", at)) != std::string::npos; ++at) ++lines;
    EXPECT_EQ(lines, 3u * 2 + 2);  // mode 6 once per page size, and the two refused pages
}

// Mode 7 dithers straight from the page; mode 8 runs the chain. Both give the
// chain's own plane, on a mixed page and on random pages of odd and even widths.
TEST_F(Gray2BytesChain, ImageModesRunTheirChainsByteForByte) {
    std::srand(7);
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> pages = {{6, mixedPage(48, 32)}};
    for (uint32_t widthBytes : {1u, 3u, 40u}) {
        std::vector<uint8_t> page(static_cast<size_t>(widthBytes) * 8 * 19);
        for (uint8_t& v : page) v = static_cast<uint8_t>(std::rand());
        pages.emplace_back(widthBytes, page);
    }
    for (const auto& [widthBytes, gray] : pages) imageModesMatchTheChain(gray, widthBytes);
}

void Gray2BytesChain::imageModesMatchTheChain(const std::vector<uint8_t>& gray, uint32_t widthBytes) {
    const uint32_t width = widthBytes * 8, height = static_cast<uint32_t>(gray.size() / width);
    const struct {
        int32_t mode;
        uint32_t flags;
        const char* name;
    } modes[] = {{7, KVImageFlagSerpentine | KVImageFlagRandomThreshold | KVImageFlagAtkinson, "KVImageAlgoImage"},
                 {8, KVImageFlagsA4, "KVImageAlgoTextImageMixed"}};
    for (const auto& m : modes) {
        KVImagePtr image(creatKVImage(width, height));
        image->gray = static_cast<uint8_t*>(std::malloc(gray.size()));
        std::memcpy(image->gray, gray.data(), gray.size());
        PrintSetting setting = creatDefaultPrintSetting();
        setting.threshold = 160;
        ASSERT_EQ(getKVImageProcessingForCustom(image.get(), &setting, m.flags), 0);
        EXPECT_EQ(run(gray, widthBytes, m.mode), pack(image->gray, gray.size(), 160)) << m.mode;
        EXPECT_NE(log().find(std::string(m.name) + "\r\n"), std::string::npos);
    }
}

TEST_F(Gray2BytesChain, ImageModesKeepSolidAreasAndWhitePaper) {
    for (int32_t mode : {7, 8}) {
        EXPECT_EQ(run(std::vector<uint8_t>(8 * 16 * 3, 0), 3, mode), std::vector<uint8_t>(3 * 16, 0xFF)) << mode;
        EXPECT_EQ(run(std::vector<uint8_t>(8 * 16 * 3, 255), 3, mode), std::vector<uint8_t>(3 * 16, 0x00)) << mode;
    }
    // Mode 8: white rows stay white and text strokes print exactly.
    const std::vector<uint8_t> page = mixedPage(48, 32);
    const std::vector<uint8_t> out = run(page, 6, 8);
    const std::vector<uint8_t> strokes = pack(page.data(), 48 * 16, 128);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 6 * 16), strokes);
}

// Whole-page dots of the image modes at the fixture's clock (1650000000), worked
// out by hand-written rules apart from this code: the seed the dithers take from
// the clock, the jittered Atkinson threshold of every pixel in serpentine order,
// and for mode 8 the cutting into white, text and photo bands, the darker text
// band through the text dither and the lighter photo band through Atkinson.
TEST_F(Gray2BytesChain, ImageModesGiveTheseDotsAtAFixedClock) {
    const uint32_t width = 24, height = 14;
    std::vector<uint8_t> gray(width * height, 255);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            if (y >= 2 && y < 6 && x % 6 < 2) gray[y * width + x] = 0;                   // strokes
            if (y >= 8) gray[y * width + x] = static_cast<uint8_t>(40 + x * 8 + y * 2);  // ramp
        }
    }
    const std::vector<uint8_t> textRows = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC3, 0x0C, 0x30, 0xC3, 0x0C, 0x30,
                                           0xC3, 0x0C, 0x30, 0xC3, 0x0C, 0x30, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    const struct {
        int32_t mode;
        std::vector<uint8_t> ramp;  // the last 6 rows
    } cases[] = {
        {7,
         {0xFB, 0x48, 0x00, 0xEE, 0x48, 0x80, 0xED, 0xB2, 0x00, 0xB5, 0x22, 0x40, 0xDB, 0x48, 0x00, 0x7A, 0x59, 0x20}},
        {8,
         {0xE9, 0x00, 0x00, 0xAD, 0x48, 0x00, 0xB2, 0x40, 0x00, 0xD2, 0x92, 0x00, 0x6C, 0x80, 0x00, 0xA9, 0x24, 0x00}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> expected = textRows;
        expected.insert(expected.end(), c.ramp.begin(), c.ramp.end());
        EXPECT_EQ(run(gray, width / 8, c.mode), expected) << c.mode;
    }
}

TEST_F(Gray2BytesChain, UnusablePageLeavesTheBufferWhite) {
    std::vector<uint8_t> gray(64, 0);
    std::vector<uint8_t> out(8, 0);
    Gray2Bytes(gray.data(), out.data(), 0, 8, 8);
    Gray2Bytes(gray.data(), out.data(), 1, 0, 7);
    EXPECT_EQ(out, std::vector<uint8_t>(8, 0));
    // The chain is still called (and refuses the page), logged as always.
    std::vector<std::string> messages;
    const std::string text = log();
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        messages.push_back(text.substr(at + 20, end - at - 20));  // after "YYYY-MM-DD hh:mm:ss "
    EXPECT_EQ(messages,
              (std::vector<std::string>{"Gray2Bytes:8", "Gray2Bytes - new", "KVImageAlgoTextImageMixed", "getPrintData",
                                        "Gray2Bytes:7", "Gray2Bytes - new", "KVImageAlgoImage", "getPrintData"}));
}

}  // namespace
