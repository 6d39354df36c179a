// Test oracle for the command languages: expected one-bit pages built from the
// grey page by the print-mode rules, decoders that turn TSPL, ZPL, CPCL and
// ESC/POS output back into bitmaps, and a runner for one-language jobs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/toolkit/toolkit.h"

namespace langtest {

// A grey page with a fixed pattern covering the whole 0..255 range.
kvtest::RasterPage patternPage(uint32_t width, uint32_t height, uint32_t seed = 0);
// A page of random bytes (hard to compress).
kvtest::RasterPage noisePage(uint32_t width, uint32_t height, uint32_t seed);
// The one-bit page (1 = black, MSB leftmost) that print modes 0 to 4 make of
// a grey page; width must be a multiple of 8.
std::string expectedBits(const std::vector<uint8_t>& gray, uint32_t width, uint32_t height, int mode);
std::string inverted(std::string bits);

// One bitmap command or graphic field found in the output.
struct Field {
    int64_t x = 0, y = 0;
    uint64_t bytesWidth = 0, rows = 0;
    std::string kind;           // "raw", "zlib", "hex", "z64"
    std::string color;          // TSPL: the SETCOLOR line in force ("" when none)
    uint64_t declared = 0;      // TSPL zlib length, or the ^GFA byte count
    uint64_t packedLength = 0;  // compressed bytes as sent (zlib / Z64)
    std::string bits;           // decoded page bytes of the field, bytesWidth x rows
};

// TSPL: every "BITMAP" command between CLS and PRINT (raw and zlib mode).
std::vector<Field> decodeTspl(const std::string& job);
// ZPL: every ^FO/^GFA pair (hexadecimal and Z64; the Z64 CRC must match).
std::vector<Field> decodeZpl(const std::string& format);
// Places the fields' rows at y - top into one page of `rows` rows.
std::string assemble(const std::vector<Field>& fields, uint64_t bytesWidth, uint64_t rows, int64_t top);

std::string base64Decode(const std::string& text);
std::string inflateAll(const std::string& zipped, uint64_t rawSize);

// Runs a job for the PrinterModel at 203 dpi with extra PPD defaults / KVAttr.
struct LangJob {
    std::string model{};
    std::string resolution = "203dpi";
    std::vector<std::pair<std::string, std::string>> defaults{};
    std::vector<std::tuple<std::string, std::string, std::string>> attributes{};
    std::string options{};
    std::vector<kvtest::RasterPage> pages{};
};
kvtest::FilterRun runLang(const LangJob& job, const kvtest::TempDir& dir);

// The TSPL set-up block as the printer manual spells it.
// The page's columns 0..newWidth-1 (the crop to the maximum print width).
kvtest::RasterPage leftColumns(const kvtest::RasterPage& page, uint32_t newWidth);

std::string tsplSetup(int widthMM, int heightMM, const std::string& mediaLine, int speed, int density);

}  // namespace langtest
