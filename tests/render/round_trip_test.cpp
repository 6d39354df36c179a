// Round trips: every generator's own output renders back to the one-bit page
// the row conversion made, in every language and its compressed form, with
// the settings of the job read back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/sysinfo.h"
#include "image/device/model_canvas.h"
#include "languages/device_job.h"
#include "languages/generators.h"
#include "protocol/command_builders.h"
#include "protocol/device/image_front_end.h"
#include "protocol/device/transfer_entry_points.h"
#include "protocol/protocol_state.h"
#include "render/render.h"
#include "tests/render/render_fixture.h"

namespace {

using kvrender::Language;
using Generator = DynamicArray* (*)(const uint8_t*, int64_t, uint64_t, const JobSettings*);

struct TextCase {
    const char* name;
    Generator generate;
    int16_t compressed;
    Language language;
    const char* darkness;  // as the renderer reports it; nullptr: the language has none
};

const TextCase kTextCases[] = {
    {"TsplRaw", getTSPLPrintData, 0, Language::Tspl, "8"},
    {"TsplZlibStrips", getTSPLPrintData, 1, Language::Tspl, "8"},
    {"ZplHex", getZPLPrintData, 0, Language::Zpl, "8"},
    {"ZplZ64Strips", getZPLPrintData, 1, Language::Zpl, "8"},
    {"SfZplZ64", getSFZPLPrintData, 1, Language::SfZpl, "8"},
    {"CpclEG", getCPCLPrintData, 0, Language::Cpcl, "8"},
    {"CpclCG", getCPCLPrintData, 1, Language::Cpcl, "8"},
    {"EscPos", getESCPrintData, 0, Language::EscPos, nullptr},
};

class TextLanguages : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextLanguages, RenderBackToTheOneBitPageInModes0And2) {
    const TextCase& c = GetParam();
    const auto page = kvrtest::testPage(96, 40);
    for (int16_t mode : {int16_t{0}, int16_t{2}}) {
        JobSettings s = kvrtest::labelSettings(page, mode, c.compressed);
        s.noCompressie = 200;  // strips of at most 199 raw bytes: several per page
        const auto bytes = kvrtest::take(c.generate(page.grey.data(), page.width, page.height, &s));
        const kvrender::Result r = kvrender::render(bytes);
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_EQ(r.language, c.language);
        ASSERT_EQ(r.pages.size(), 1u);
        const kvrender::Page& p = r.pages[0];
        EXPECT_EQ(p.width, 96u);
        if (c.language != Language::EscPos) {
            EXPECT_EQ(p.height, 40u);  // receipts add their feeds
        }
        EXPECT_EQ(kvrtest::compareAtOrigin(p.black, kvrtest::oneBitPage(page, mode), 96, 40), "") << "mode " << mode;
        EXPECT_EQ(p.inkOutside, 0u);
        if (c.darkness != nullptr) {
            ASSERT_NE(p.setting("darkness"), nullptr);
            EXPECT_EQ(*p.setting("darkness"), c.darkness);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Generators, TextLanguages, ::testing::ValuesIn(kTextCases),
                         [](const auto& instance) { return std::string(instance.param.name); });

TEST(EscPosRender, FeedsAndTheCutAreMarkedBelowTheRaster) {
    const auto page = kvrtest::testPage(96, 40);
    const JobSettings s = kvrtest::labelSettings(page, 0, 0);  // cutting 1, one feed block
    const kvrender::Result r = kvrender::render(kvrtest::take(getESCPrintData(page.grey.data(), 96, 40, &s)));
    ASSERT_TRUE(r.ok()) << r.error;
    const kvrender::Page& p = r.pages.at(0);
    // Two line feeds of 1/6 inch (34 dots) and one blank block of 24 rows.
    EXPECT_EQ(p.height, 40u + 2 * 34 + 24);
    ASSERT_EQ(p.marks.size(), 4u);
    EXPECT_EQ(p.marks[0].note, "line feed");
    EXPECT_EQ(p.marks[2].note, "blank raster block");
    EXPECT_EQ(p.marks[3].kind, kvrender::Mark::Kind::Cut);
    EXPECT_EQ(p.marks[3].row, p.height);
}

TEST(TsplRender, LabelsInARowArePagesInARow) {
    const auto page = kvrtest::testPage(96, 40);
    const JobSettings s = kvrtest::labelSettings(page, 0, 0);
    auto bytes = kvrtest::take(getTSPLPrintData(page.grey.data(), 96, 40, &s));
    const auto second = kvrtest::take(getTSPLPrintData(page.grey.data(), 96, 40, &s));
    bytes.insert(bytes.end(), second.begin(), second.end());
    const kvrender::Result r = kvrender::render(bytes);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.pages.size(), 2u);
}

// Two-colour TSPL: black pixels go to the black plane, red ones to the red plane.
TEST(TwoColourTsplRender, BlackAndRedPlanes) {
    const bool alphaFirst = std::strcmp(detect_linux_distro(), "Debian") == 0;
    const uint32_t w = 16, h = 8;
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4, 255);
    auto paint = [&](uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* px = rgba.data() + (static_cast<size_t>(y) * w + x) * 4;
        const uint8_t argb[4] = {255, r, g, b}, rgbaPx[4] = {r, g, b, 255};
        std::memcpy(px, alphaFirst ? argb : rgbaPx, 4);
    };
    for (uint32_t x = 0; x < w; ++x) {
        paint(x, 1, 0, 0, 0);    // black row
        paint(x, 5, 255, 0, 0);  // red row
    }
    paint(3, 3, 0, 0, 0);
    JobSettings s = kvrtest::labelSettings(kvrtest::GreyPage{w, h, {}}, 0, 0);
    s.colourDarkness = 6;
    const auto bytes = kvrtest::take(getTSPLTwoColorPrintData(rgba.data(), w * 4, w, h, &s));
    const kvrender::Result r = kvrender::render(bytes);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.language, Language::TwoColourTspl);
    const kvrender::Page& p = r.pages.at(0);
    ASSERT_FALSE(p.red.empty());
    EXPECT_EQ(p.black.ink(), w + 1);
    EXPECT_EQ(p.red.ink(), w);
    EXPECT_TRUE(p.black.dot(3, 3));
    EXPECT_TRUE(p.red.dot(7, 5));
    EXPECT_FALSE(p.black.dot(7, 5));
    EXPECT_EQ(*p.setting("red darkness"), "6");
}

// A bitmap in which every byte value occurs, so the image travels in several parts.
std::vector<uint8_t> noisyBitmap(uint32_t width, uint32_t height) {
    std::vector<uint8_t> bits(static_cast<size_t>(width / 8) * height);
    uint32_t x = 12345;
    for (auto& b : bits) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return bits;
}

struct TransferCase {
    uint32_t family;
    uint32_t width, height;
};

TEST(DeviceRender, ImageTransferRoundTripsCodedAndEncryptedRaw) {
    for (const TransferCase c : {TransferCase{28, 384, 64}, TransferCase{31, 80, 30}, TransferCase{163, 96, 20}}) {
        setODMType(c.family);
        setMaxDataLengthOnePackage(2048);
        const auto bits = noisyBitmap(c.width, c.height);
        const SendPack pack = driveGetPrintDataFromHex(bits.data(), c.width, c.height);
        ASSERT_GT(pack.length, 0u);
        const kvrender::Result r = kvrender::render(std::span(pack.data, pack.length));
        freeSendPack(pack.data, pack.length);
        ASSERT_TRUE(r.ok()) << "family " << c.family << ": " << r.error;
        ASSERT_EQ(r.pages.size(), 1u);
        EXPECT_EQ(kvrtest::compareAtOrigin(r.pages[0].black, bits, c.width, c.height), "") << "family " << c.family;
        EXPECT_EQ(r.job.back().second.find("AES") != std::string::npos, c.family == 163);
    }
    setODMType(28);
}

TEST(DeviceRender, PrintJobRendersTheZoomedPageWithItsSettings) {
    setODMType(28);
    const auto page = kvrtest::testPage(384, 240);  // the L50 needs more than 207 rows
    JobSettings s = kvrtest::labelSettings(page, 0, 0);
    s.printSpeed = 3;
    const auto bytes = kvrtest::take(getKVProtocolPrintData(page.grey.data(), 384, 240, &s, 1));
    // The same zoom and conversion the job made (mode 0: threshold 222).
    uint32_t zw = 0, zh = 0;
    std::unique_ptr<uint8_t, decltype(&std::free)> zoomed(driveBitmapZoomToL50(page.grey.data(), 384, 240, &zw, &zh),
                                                          &std::free);
    ASSERT_TRUE(zoomed);
    ASSERT_EQ(zw % 8, 0u);
    std::unique_ptr<uint8_t, decltype(&std::free)> expected(driveGetDataFromGrayImage(zoomed.get(), &zw, &zh, 0, 0),
                                                            &std::free);
    const kvrender::Result r = kvrender::render(bytes);
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.pages.size(), 1u);
    const kvrender::Page& p = r.pages[0];
    EXPECT_EQ(
        kvrtest::compareAtOrigin(p.black, std::vector<uint8_t>(expected.get(), expected.get() + zw / 8 * zh), zw, zh),
        "");
    EXPECT_EQ(*p.setting("darkness"), "8 (fine 8)");
    EXPECT_EQ(*p.setting("speed"), "3");
    EXPECT_EQ(*p.setting("feed"), "feed mode 1, amount 28");
}

}  // namespace
