// The transfer entry points for applications: raw or compressed by printer
// family, picture conversions before sending, the test patterns, and the
// printer information page in the 12 x 16 font.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "protocol/device/font.h"
#include "protocol/device/transfer_entry_points.h"
#include "protocol/protocol_state.h"
#include "tests/protocol/device/device_stream.h"

namespace {

using kvdtest::Bytes;

// Sets the printer family and frame length for one test, restoring both after.
class FamilyGuard {
public:
    explicit FamilyGuard(uint32_t type) : type_(getODMPrinterType()), length_(getMaxDataLengthOnePackage()) {
        setODMPrinterType(type);
        setMaxDataLengthOnePackage(2048);
    }
    ~FamilyGuard() {
        setODMPrinterType(type_);
        setMaxDataLengthOnePackage(length_);
    }

private:
    uint32_t type_;
    uint32_t length_;
};

std::vector<kvdtest::Frame> framesOf(SendPack pack, uint8_t family) {
    const SendPackPtr owned(pack);
    return kvdtest::parseFrames(Bytes(owned.bytes().begin(), owned.bytes().end()), family);
}

// Family 30 gets raw rows from the application entry points but compressed
// parts from the filter's transfer; both decode to the bitmap sent.
TEST(TransferEntryPoints, RawOrCompressedByFamily) {
    const FamilyGuard family(30);
    Bytes bitmap(12 * 4);  // 96 dots, the family's print width
    for (size_t i = 0; i < bitmap.size(); ++i) bitmap[i] = static_cast<uint8_t>(i * 7 + 1);
    const auto raw = framesOf(getPrintData(bitmap.data(), 96, 4, 0, 0, 0, 0), 30);
    EXPECT_EQ(kvdtest::frameSummary(raw), "5/11 5/13* 5/12");
    EXPECT_EQ(kvdtest::decodeTransfer(raw).bits, bitmap);
    const auto packed = framesOf(driveGetPrintDataFromHex(bitmap.data(), 96, 4), 30);
    EXPECT_EQ(kvdtest::frameSummary(packed), "5/11 5/14 5/13* 5/12");
    EXPECT_EQ(kvdtest::decodeTransfer(packed).bits, bitmap);
}

TEST(TransferEntryPoints, PictureConversionsBeforeSending) {
    const FamilyGuard family(28);
    struct Case {
        uint32_t mode;
        Bytes pixels;
        Bytes bits;
    } cases[] = {
        // 254: one byte per pixel, a dot above 128.
        {254, Bytes{0, 129, 128, 255, 0, 0, 0, 200, 255, 0, 0, 0, 0, 0, 0, 0}, Bytes{0x51, 0x80}},
        // 255: a ready bitmap.
        {255, Bytes{0xA5, 0x3C}, Bytes{0xA5, 0x3C}},
    };
    for (const Case& c : cases) {
        uint32_t w = 0, h = 0;
        const auto frames = framesOf(getPrintImageData(c.pixels.data(), 8, 2, &w, &h, c.mode, 0, 0, 0, 0, 0, 0), 28);
        EXPECT_EQ(w, 8u);
        EXPECT_EQ(h, 2u);
        const kvdtest::Bitmap image = kvdtest::decodeTransfer(frames);
        EXPECT_EQ(image.width, 8u);
        EXPECT_EQ(image.bits, c.bits) << c.mode;
    }
    const Bytes pixels(8 * 2 * 4, 0);
    uint32_t w = 1, h = 1;
    EXPECT_EQ(getPrintImageData(pixels.data(), 8, 2, &w, &h, 13, 0, 0, 0, 0, 0, 0).data, nullptr);
    EXPECT_EQ(w + h, 0u);
    EXPECT_EQ(getPrintImageData(nullptr, 8, 2, &w, &h, 0, 0, 0, 0, 0, 0, 0).data, nullptr);
    EXPECT_EQ(getPrintData(nullptr, 8, 2, 0, 0, 0, 0).data, nullptr);
    EXPECT_EQ(getPrintBlockTestImageData().data, nullptr);
}

TEST(TransferEntryPoints, RateLinePatternIsSentAsAnImage) {
    const FamilyGuard family(28);
    const kvdtest::Bitmap full =
        kvdtest::decodeTransfer(framesOf(getPrintRateLineImageData(12, 3, 1.0, 0, 0, 0, 0), 28));
    EXPECT_EQ(full.width, 16u);
    EXPECT_EQ(full.bits, Bytes(6, 0xFF));
    const kvdtest::Bitmap diagonal =
        kvdtest::decodeTransfer(framesOf(getPrintRateLineImageData(8, 3, 0.125, 0, 0, 0, 0), 28));
    EXPECT_EQ(diagonal.bits, (Bytes{0x80, 0x40, 0x20}));
}

// Every glyph but the space has ink, no two glyphs are alike, and the
// one-byte-per-dot expansion agrees with the packed columns.
TEST(InfoPageFont, GlyphsAreDistinctAndExpandedFaithfully) {
    generatePix();
    std::set<Bytes> seen;
    for (uint32_t g = 0; g < kFontGlyphCount; ++g) {
        const Bytes glyph(ASCIICode12x16.begin() + g * kFontGlyphBytes,
                          ASCIICode12x16.begin() + (g + 1) * kFontGlyphBytes);
        EXPECT_EQ(glyph == Bytes(kFontGlyphBytes, 0), g == 0) << "glyph " << g;
        EXPECT_TRUE(seen.insert(glyph).second) << "glyph " << g << " repeats another";
        for (uint32_t c = 0; c < kFontWidth; ++c) {
            for (uint32_t r = 0; r < kFontHeight; ++r) {
                const uint32_t column = uint32_t{glyph[2 * c]} << 8 | glyph[2 * c + 1];
                EXPECT_EQ(ASCIICode12x16Pix[g * 192 + c * 16 + r], (column >> (15 - r)) & 1u);
            }
        }
    }
    EXPECT_FALSE(fontDot(31, 5, 5));
    EXPECT_FALSE(fontDot(127, 5, 5));
}

// Five lines of 16 rows on a 640-dot strip, label then text, 12 dots per
// character; nothing appears on standard output (the printer stream).
TEST(InfoPage, FiveLabelledLinesInTheFont) {
    const FamilyGuard family(28);
    testing::internal::CaptureStdout();
    const auto frames = framesOf(getPrintPrinterInfoData("AA:BB", "1.2", "12:00", "SN9", "app~"), 28);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const kvdtest::Bitmap image = kvdtest::decodeTransfer(frames);
    ASSERT_EQ(image.width, 640u);
    ASSERT_EQ(image.height, 80u);
    ASSERT_EQ(image.bits.size(), 80u * 80u);
    const std::string lines[] = {"TIME: 12:00", " MAC: AA:BB", "  FW: 1.2", "  SN: SN9", " APP: app~"};
    for (uint32_t line = 0; line < 5; ++line) {
        for (uint32_t y = 0; y < 16; ++y) {
            for (uint32_t x = 0; x < 640; ++x) {
                const uint32_t k = x / 12;
                const bool want = k < lines[line].size() && fontDot(static_cast<uint8_t>(lines[line][k]), x % 12, y);
                const uint32_t row = line * 16 + y;
                const bool got = (image.bits[row * 80 + x / 8] >> (7 - x % 8)) & 1;
                ASSERT_EQ(got, want) << "line " << line << " x " << x << " y " << y;
            }
        }
    }
}

}  // namespace
