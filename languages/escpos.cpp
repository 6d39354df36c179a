// ESC/POS output: the page as one GS v 0 raster image, with blank rows
// trimmed at top and bottom (receipt paper is not wasted on white), solid
// black rows optionally removed, blank feed blocks, cut and beeper; and the
// job's start and end sequences.
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/debug_log.h"
#include "languages/escpos_sequences.h"
#include "languages/generators.h"
#include "languages/one_bit_page.h"

namespace {

bool isBlankRow(const uint8_t* row, uint64_t bytesWidth) {
    return std::all_of(row, row + bytesWidth, [](uint8_t b) { return b == 0x00; });
}

// A row counts as solid black when every byte but its first and last is 0xFF.
bool isSolidBlackRow(const uint8_t* row, uint64_t bytesWidth) {
    if (bytesWidth <= 2) return true;
    return std::all_of(row + 1, row + bytesWidth - 1, [](uint8_t b) { return b == 0xFF; });
}

// Drops leading blank rows; an all-blank page is kept whole.
uint64_t trimLeadingBlank(std::vector<uint8_t>& bits, uint64_t bytesWidth, uint64_t height) {
    uint64_t first = 0;
    while (first < height && isBlankRow(bits.data() + first * bytesWidth, bytesWidth)) ++first;
    if (first == 0 || first == height) return height;
    std::memmove(bits.data(), bits.data() + first * bytesWidth, (height - first) * bytesWidth);
    return height - first;
}

// Drops every solid black row, closing the gaps; i is the position at which
// the removed row was examined.
uint64_t removeSolidBlack(std::vector<uint8_t>& bits, uint64_t bytesWidth, uint64_t height) {
    uint64_t kept = 0;
    for (uint64_t r = 0; r < height; ++r) {
        const uint8_t* row = bits.data() + r * bytesWidth;
        if (isSolidBlackRow(row, bytesWidth)) {
            writeLogString("mid black: i = %ld", static_cast<long>(kept));
            continue;
        }
        if (kept != r) std::memmove(bits.data() + kept * bytesWidth, row, bytesWidth);
        ++kept;
    }
    return kept;
}

// Drops trailing blank rows; an all-blank page is kept whole.
uint64_t trimTrailingBlank(const std::vector<uint8_t>& bits, uint64_t bytesWidth, uint64_t height) {
    uint64_t end = height;
    while (end > 0 && isBlankRow(bits.data() + (end - 1) * bytesWidth, bytesWidth)) --end;
    return end == 0 ? height : end;
}

uint64_t trimPage(std::vector<uint8_t>& bits, uint64_t bytesWidth, uint64_t height, const JobSettings* s) {
    height = trimLeadingBlank(bits, bytesWidth, height);
    writeLogString("cut start white: bytesWidth = %ld, height = %ld", static_cast<long>(bytesWidth),
                   static_cast<long>(height));
    if (s->blankSpace == 1) height = removeSolidBlack(bits, bytesWidth, height);
    writeLogString("cut mid black: bytesWidth = %ld, height = %ld", static_cast<long>(bytesWidth),
                   static_cast<long>(height));
    height = trimTrailingBlank(bits, bytesWidth, height);
    writeLogString("cut end white: bytesWidth = %ld, height = %ld", static_cast<long>(bytesWidth),
                   static_cast<long>(height));
    return height;
}

// GS v 0: raster bit image; x in bytes and y in rows, 16-bit little-endian.
void appendRasterHeader(DynamicArray* out, uint8_t mode, uint64_t bytesWidth, uint64_t rows) {
    const uint8_t head[] = {0x1D,
                            0x76,
                            0x30,
                            mode,
                            static_cast<uint8_t>(bytesWidth),
                            static_cast<uint8_t>(bytesWidth >> 8),
                            static_cast<uint8_t>(rows),
                            static_cast<uint8_t>(rows >> 8)};
    dynamic_array_push_more_data(out, head, sizeof head);
}

// feedDist blank raster blocks of three feed units each (mode byte 0x30, as the printers expect).
void appendFeedBlocks(DynamicArray* out, uint64_t bytesWidth, const JobSettings* s) {
    const uint64_t feedUnit = (s->resolution == 200 || s->resolution == 203) ? 8 : 12;
    const uint64_t feedRows = 3 * feedUnit;
    const unsigned blocks = static_cast<uint8_t>(s->feedDist);
    if (blocks == 0) return;
    std::vector<uint8_t> block(8 + feedRows * bytesWidth, 0x00);
    const uint8_t head[] = {0x1D,
                            0x76,
                            0x30,
                            0x30,
                            static_cast<uint8_t>(bytesWidth),
                            static_cast<uint8_t>(bytesWidth >> 8),
                            static_cast<uint8_t>(feedRows),
                            0x00};
    std::memcpy(block.data(), head, sizeof head);
    for (unsigned i = 0; i < blocks; ++i)
        dynamic_array_push_more_data(out, block.data(), static_cast<int64_t>(block.size()));
}

}  // namespace

DynamicArray* getESCPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings) {
    DynamicArray* out = dynamic_array_init(2);
    if (out == nullptr) return nullptr;
    const JobSettings* s = settings;
    const auto bytesWidth = static_cast<uint64_t>(width) / 8;
    writeLogString("width = %ld, height = %ld", static_cast<long>(width), static_cast<long>(height));
    std::vector<uint8_t> bits;
    if (!allocPageBuffer(bits, bytesWidth * height, "ESC/POS one-bit page")) return out;
    convertPage(page, bits, bytesWidth, height, s->printMode);
    const uint64_t rows = trimPage(bits, bytesWidth, height, s);
    dynamic_array_push(out, 0x00);
    if (s->beeper == 2) addPosBeeper(out);
    appendRasterHeader(out, 0x00, bytesWidth, rows);
    dynamic_array_push_more_data(out, bits.data(), static_cast<int64_t>(bytesWidth * rows));
    static constexpr uint8_t kLineEnds[] = {0x0D, 0x0A, 0x0D, 0x0A};
    dynamic_array_push_more_data(out, kLineEnds, sizeof kLineEnds);
    appendFeedBlocks(out, bytesWidth, s);
    if (s->cutting == 1) addPosCutting(out);
    if (s->beeper == 1) addPosBeeper(out);
    return finishPage(out);
}

namespace {
// ESC @: initialise the printer.
constexpr uint8_t kPosInitialise[] = {0x1B, 0x40};
}  // namespace

void escposJobStart(DynamicArray* out, const JobSettings& s) {
    dynamic_array_push_more_data(out, kPosInitialise, sizeof kPosInitialise);
    if (s.beeper == 4) addPosBeeper(out);
    if (s.cashDrawer == 1 || s.cashDrawer == 3) addPosCashDrawer1(out);
    if (s.cashDrawer == 2 || s.cashDrawer == 3) addPosCashDrawer2(out);
}

void escposJobEnd(DynamicArray* out, const JobSettings& s) {
    if (s.cashDrawer == 4 || s.cashDrawer == 6) addPosCashDrawer1(out);
    if (s.cashDrawer == 5 || s.cashDrawer == 6) addPosCashDrawer2(out);
    if (s.cutting == 2) addPosCutting(out);
    if (s.beeper == 3) addPosBeeper(out);
    dynamic_array_push_more_data(out, kPosInitialise, sizeof kPosInitialise);
}
