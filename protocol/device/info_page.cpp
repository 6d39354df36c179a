// The printer information page: five text lines (time, MAC, firmware, serial
// number, application) set in the 12 x 16 font on a 640-dot strip and sent as
// an image like any other bitmap.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "protocol/device/bitmap.h"
#include "protocol/device/font.h"
#include "protocol/device/transfer_entry_points.h"

namespace {

constexpr uint32_t kRowBytes = 80;  // 640 dots
constexpr uint32_t kPageWidth = kRowBytes * 8;
constexpr uint32_t kLines = 5;
constexpr uint32_t kCharsPerLine = kPageWidth / kFontWidth;  // 53; longer lines are cut

// Sets one character cell; characters the font lacks print as '?'.
void drawChar(uint8_t* bitmap, uint32_t line, uint32_t column, uint8_t ch) {
    if (ch < kFontFirstChar || ch >= kFontFirstChar + kFontGlyphCount) ch = '?';
    const uint8_t* glyph = &ASCIICode12x16Pix[(ch - kFontFirstChar) * kFontGlyphDots];
    const uint32_t x0 = column * kFontWidth;
    for (uint32_t r = 0; r < kFontHeight; ++r) {
        uint8_t* row = bitmap + size_t{line * kFontHeight + r} * kRowBytes;
        for (uint32_t c = 0; c < kFontWidth; ++c) {
            if (glyph[c * kFontHeight + r] == 0) continue;
            const uint32_t x = x0 + c;
            row[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
        }
    }
}

void drawLine(uint8_t* bitmap, uint32_t line, std::string_view text) {
    const size_t count = std::min<size_t>(text.size(), kCharsPerLine);
    for (size_t i = 0; i < count; ++i) drawChar(bitmap, line, static_cast<uint32_t>(i), static_cast<uint8_t>(text[i]));
}

}  // namespace

SendPack getPrintPrinterInfoData(const char* mac, const char* firmware, const char* time, const char* serial,
                                 const char* application) {
    generatePix();
    const auto text = [](const char* s) { return std::string_view(s == nullptr ? "" : s); };
    const std::array<std::string, kLines> lines = {
        "TIME: " + std::string(text(time)), " MAC: " + std::string(text(mac)), "  FW: " + std::string(text(firmware)),
        "  SN: " + std::string(text(serial)), " APP: " + std::string(text(application))};
    MallocBitmap bitmap = allocBitmap(kPageWidth, kLines * kFontHeight);
    if (!bitmap.bytes) return kvGetEmptyProtocolPack();
    for (uint32_t i = 0; i < kLines; ++i) drawLine(bitmap.bytes.get(), i, lines[i]);
    return getPrintData(bitmap.bytes.get(), bitmap.width, bitmap.height, 0, 0, 0, 0);
}
