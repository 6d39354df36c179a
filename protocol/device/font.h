// The 12 x 16 dot character font of the printer information page: the packed
// glyph table (column-wise, two bytes per column) and its one-byte-per-dot
// expansion that the page composer reads.
#pragma once

#include <array>
#include <cstdint>

// Characters 32 to 126.
inline constexpr uint32_t kFontFirstChar = 32;
inline constexpr uint32_t kFontGlyphCount = 95;
inline constexpr uint32_t kFontWidth = 12;
inline constexpr uint32_t kFontHeight = 16;
inline constexpr uint32_t kFontGlyphBytes = 24;
inline constexpr uint32_t kFontGlyphDots = kFontWidth * kFontHeight;  // 192

// 95 glyphs of 24 bytes: column c in bytes 2c and 2c + 1, the most significant
// bit of byte 2c the top row, the least significant bit of byte 2c + 1 the
// bottom row.
extern const std::array<uint8_t, kFontGlyphCount * kFontGlyphBytes> ASCIICode12x16;

// One byte per dot (1 = dot): character ch, column col, row r is entry
// (ch - 32) x 192 + col x 16 + r. Filled by generatePix.
extern std::array<uint8_t, kFontGlyphCount * kFontGlyphDots> ASCIICode12x16Pix;

// Expands ASCIICode12x16 into ASCIICode12x16Pix on the first call; later
// calls do nothing.
void generatePix();

// Whether character ch has a dot at column col, row r (after generatePix).
// Characters outside 32 to 126 and positions outside the cell have none.
bool fontDot(uint8_t ch, uint32_t col, uint32_t row);
