// The 12 x 16 information-page font. Each glyph is drawn below on a 5 x 7 grid
// ('#' a dot, rows separated by spaces) and doubled in both directions into
// the 12 x 16 cell with a one-dot margin: 10 x 14 dots of ink, so that lines
// and characters set edge to edge still stand apart on the label.
#include "protocol/device/font.h"

#include <array>
#include <string_view>

#include "base/debug_log.h"

namespace {

constexpr std::string_view kGlyphArt[kFontGlyphCount] = {
    "..... ..... ..... ..... ..... ..... .....",  // space
    "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#..",  // !
    ".#.#. .#.#. ..... ..... ..... ..... .....",  // "
    ".#.#. .#.#. ##### .#.#. ##### .#.#. .#.#.",  // #
    "..#.. .#### #.#.. .###. ..#.# ####. ..#..",  // $
    "##... ##..# ...#. ..#.. .#... #..## ...##",  // %
    ".##.. #..#. #.#.. .#... #.#.# #..#. .##.#",  // &
    "..#.. ..#.. .#... ..... ..... ..... .....",  // '
    "...#. ..#.. .#... .#... .#... ..#.. ...#.",  // (
    ".#... ..#.. ...#. ...#. ...#. ..#.. .#...",  // )
    "..... ..#.. #.#.# .###. #.#.# ..#.. .....",  // *
    "..... ..#.. ..#.. ##### ..#.. ..#.. .....",  // +
    "..... ..... ..... ..... .##.. ..#.. .#...",  // ,
    "..... ..... ..... ##### ..... ..... .....",  // -
    "..... ..... ..... ..... ..... .##.. .##..",  // .
    "..... ....# ...#. ..#.. .#... #.... .....",  // /
    ".###. #...# #..## #.#.# ##..# #...# .###.",  // 0
    "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###.",  // 1
    ".###. #...# ....# ...#. ..#.. .#... #####",  // 2
    "##### ...#. ..#.. ...#. ....# #...# .###.",  // 3
    "...#. ..##. .#.#. #..#. ##### ...#. ...#.",  // 4
    "##### #.... ####. ....# ....# #...# .###.",  // 5
    "..##. .#... #.... ####. #...# #...# .###.",  // 6
    "##### ....# ...#. ..#.. .#... .#... .#...",  // 7
    ".###. #...# #...# .###. #...# #...# .###.",  // 8
    ".###. #...# #...# .#### ....# ...#. .##..",  // 9
    "..... .##.. .##.. ..... .##.. .##.. .....",  // :
    "..... .##.. .##.. ..... .##.. ..#.. .#...",  // ;
    "...#. ..#.. .#... #.... .#... ..#.. ...#.",  // <
    "..... ..... ##### ..... ##### ..... .....",  // =
    ".#... ..#.. ...#. ....# ...#. ..#.. .#...",  // >
    ".###. #...# ....# ...#. ..#.. ..... ..#..",  // ?
    ".###. #...# ....# .##.# #.#.# #.#.# .###.",  // @
    ".###. #...# #...# ##### #...# #...# #...#",  // A
    "####. #...# #...# ####. #...# #...# ####.",  // B
    ".###. #...# #.... #.... #.... #...# .###.",  // C
    "###.. #..#. #...# #...# #...# #..#. ###..",  // D
    "##### #.... #.... ####. #.... #.... #####",  // E
    "##### #.... #.... ####. #.... #.... #....",  // F
    ".###. #...# #.... #.### #...# #...# .####",  // G
    "#...# #...# #...# ##### #...# #...# #...#",  // H
    ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",  // I
    "..### ...#. ...#. ...#. ...#. #..#. .##..",  // J
    "#...# #..#. #.#.. ##... #.#.. #..#. #...#",  // K
    "#.... #.... #.... #.... #.... #.... #####",  // L
    "#...# ##.## #.#.# #.#.# #...# #...# #...#",  // M
    "#...# #...# ##..# #.#.# #..## #...# #...#",  // N
    ".###. #...# #...# #...# #...# #...# .###.",  // O
    "####. #...# #...# ####. #.... #.... #....",  // P
    ".###. #...# #...# #...# #.#.# #..#. .##.#",  // Q
    "####. #...# #...# ####. #.#.. #..#. #...#",  // R
    ".#### #.... #.... .###. ....# ....# ####.",  // S
    "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#..",  // T
    "#...# #...# #...# #...# #...# #...# .###.",  // U
    "#...# #...# #...# #...# #...# .#.#. ..#..",  // V
    "#...# #...# #...# #.#.# #.#.# #.#.# .#.#.",  // W
    "#...# #...# .#.#. ..#.. .#.#. #...# #...#",  // X
    "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#..",  // Y
    "##### ....# ...#. ..#.. .#... #.... #####",  // Z
    ".###. .#... .#... .#... .#... .#... .###.",  // [
    "..... #.... .#... ..#.. ...#. ....# .....",  // backslash
    ".###. ...#. ...#. ...#. ...#. ...#. .###.",  // ]
    "..#.. .#.#. #...# ..... ..... ..... .....",  // ^
    "..... ..... ..... ..... ..... ..... #####",  // _
    ".#... ..#.. ...#. ..... ..... ..... .....",  // `
    "..... ..... .###. ....# .#### #...# .####",  // a
    "#.... #.... #.##. ##..# #...# #...# ####.",  // b
    "..... ..... .###. #.... #.... #...# .###.",  // c
    "....# ....# .##.# #..## #...# #...# .####",  // d
    "..... ..... .###. #...# ##### #.... .###.",  // e
    "..##. .#..# .#... ###.. .#... .#... .#...",  // f
    "..... .#### #...# #...# .#### ....# .###.",  // g
    "#.... #.... #.##. ##..# #...# #...# #...#",  // h
    "..#.. ..... .##.. ..#.. ..#.. ..#.. .###.",  // i
    "...#. ..... ..##. ...#. ...#. #..#. .##..",  // j
    "#.... #.... #..#. #.#.. ##... #.#.. #..#.",  // k
    ".##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",  // l
    "..... ..... ##.#. #.#.# #.#.# #...# #...#",  // m
    "..... ..... #.##. ##..# #...# #...# #...#",  // n
    "..... ..... .###. #...# #...# #...# .###.",  // o
    "..... ..... ####. #...# ####. #.... #....",  // p
    "..... ..... .##.# #..## .#### ....# ....#",  // q
    "..... ..... #.##. ##..# #.... #.... #....",  // r
    "..... ..... .###. #.... .###. ....# ####.",  // s
    ".#... .#... ###.. .#... .#... .#..# ..##.",  // t
    "..... ..... #...# #...# #...# #..## .##.#",  // u
    "..... ..... #...# #...# #...# .#.#. ..#..",  // v
    "..... ..... #...# #...# #.#.# #.#.# .#.#.",  // w
    "..... ..... #...# .#.#. ..#.. .#.#. #...#",  // x
    "..... ..... #...# #...# .#### ....# .###.",  // y
    "..... ..... ##### ...#. ..#.. .#... #####",  // z
    "...#. ..#.. ..#.. .#... ..#.. ..#.. ...#.",  // {
    "..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..#..",  // |
    ".#... ..#.. ..#.. ...#. ..#.. ..#.. .#...",  // }
    "..... ..... .#... #.#.# ...#. ..... .....",  // ~
};

constexpr uint32_t kArtCols = 5;
constexpr uint32_t kArtRows = 7;
constexpr uint32_t kScale = 2;
constexpr uint32_t kMargin = 1;

// Whether the drawing has ink at cell column col, row r of the 12 x 16 cell.
constexpr bool artDot(std::string_view art, uint32_t col, uint32_t row) {
    if (col < kMargin || row < kMargin) return false;
    const uint32_t ac = (col - kMargin) / kScale;
    const uint32_t ar = (row - kMargin) / kScale;
    if (ac >= kArtCols || ar >= kArtRows) return false;
    return art[ar * (kArtCols + 1) + ac] == '#';
}

constexpr std::array<uint8_t, kFontGlyphCount * kFontGlyphBytes> packFont() {
    std::array<uint8_t, kFontGlyphCount * kFontGlyphBytes> table{};
    for (uint32_t g = 0; g < kFontGlyphCount; ++g) {
        for (uint32_t c = 0; c < kFontWidth; ++c) {
            uint32_t column = 0;
            for (uint32_t r = 0; r < kFontHeight; ++r) {
                if (artDot(kGlyphArt[g], c, r)) column |= 0x8000u >> r;
            }
            table[g * kFontGlyphBytes + 2 * c] = static_cast<uint8_t>(column >> 8);
            table[g * kFontGlyphBytes + 2 * c + 1] = static_cast<uint8_t>(column & 0xFF);
        }
    }
    return table;
}

constexpr bool artWellFormed() {
    for (std::string_view art : kGlyphArt) {
        if (art.size() != kArtRows * (kArtCols + 1) - 1) return false;
    }
    return true;
}
static_assert(artWellFormed(), "every glyph is 7 rows of 5 dots");

bool pixInitialised = false;

}  // namespace

const std::array<uint8_t, kFontGlyphCount* kFontGlyphBytes> ASCIICode12x16 = packFont();

std::array<uint8_t, kFontGlyphCount * kFontGlyphDots> ASCIICode12x16Pix{};

void generatePix() {
    if (pixInitialised) return;
    pixInitialised = true;
    // Applications once saw this line on standard output; it would corrupt a
    // printer stream, so it goes to the libraries' silent debug print.
    kvPrintf("\n=============isInit==============");
    for (uint32_t g = 0; g < kFontGlyphCount; ++g) {
        for (uint32_t c = 0; c < kFontWidth; ++c) {
            const uint32_t column = (uint32_t{ASCIICode12x16[g * kFontGlyphBytes + 2 * c]} << 8) |
                                    ASCIICode12x16[g * kFontGlyphBytes + 2 * c + 1];
            for (uint32_t r = 0; r < kFontHeight; ++r) {
                ASCIICode12x16Pix[g * kFontGlyphDots + c * kFontHeight + r] = (column >> (15 - r)) & 1u;
            }
        }
    }
}

bool fontDot(uint8_t ch, uint32_t col, uint32_t row) {
    if (ch < kFontFirstChar || ch >= kFontFirstChar + kFontGlyphCount) return false;
    if (col >= kFontWidth || row >= kFontHeight) return false;
    generatePix();
    return ASCIICode12x16Pix[(ch - kFontFirstChar) * kFontGlyphDots + col * kFontHeight + row] != 0;
}
