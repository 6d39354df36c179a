// Test label drawing: a 5 x 7 dot font, Code 39 and a ten-step grey ramp.
#include "app/test_label.h"

#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace kvapp {
namespace {

struct Glyph {
    char c;
    std::array<uint8_t, 7> rows;  // five bits per row, the leftmost dot the highest bit
};

constexpr std::array kFont = {
    Glyph{'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, Glyph{'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    Glyph{'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, Glyph{'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    Glyph{'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, Glyph{'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    Glyph{'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, Glyph{'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    Glyph{'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, Glyph{'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    Glyph{'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, Glyph{'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    Glyph{'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, Glyph{'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    Glyph{'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, Glyph{'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    Glyph{'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}}, Glyph{'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    Glyph{'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, Glyph{'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    Glyph{'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, Glyph{'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    Glyph{'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, Glyph{'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    Glyph{'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, Glyph{'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    Glyph{'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, Glyph{'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    Glyph{'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, Glyph{'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    Glyph{'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, Glyph{'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    Glyph{'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}}, Glyph{'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    Glyph{'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}}, Glyph{'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    Glyph{':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}}, Glyph{'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    Glyph{'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}}, Glyph{'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    Glyph{'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}}, Glyph{' ', {0, 0, 0, 0, 0, 0, 0}},
};

// Code 39: nine elements (bar, space, bar, ...), '1' for a wide one.
struct Code39 {
    char c;
    const char* pattern;
};
constexpr std::array kCode39 = {
    Code39{'0', "000110100"}, Code39{'1', "100100001"}, Code39{'2', "001100001"}, Code39{'3', "101100000"},
    Code39{'4', "000110001"}, Code39{'5', "100110000"}, Code39{'6', "001110000"}, Code39{'7', "000100101"},
    Code39{'8', "100100100"}, Code39{'9', "001100100"}, Code39{'A', "100001001"}, Code39{'B', "001001001"},
    Code39{'C', "101001000"}, Code39{'D', "000011001"}, Code39{'E', "100011000"}, Code39{'F', "001011000"},
    Code39{'G', "000001101"}, Code39{'H', "100001100"}, Code39{'I', "001001100"}, Code39{'J', "000011100"},
    Code39{'K', "100000011"}, Code39{'L', "001000011"}, Code39{'M', "101000010"}, Code39{'N', "000010011"},
    Code39{'O', "100010010"}, Code39{'P', "001010010"}, Code39{'Q', "000000111"}, Code39{'R', "100000110"},
    Code39{'S', "001000110"}, Code39{'T', "000010110"}, Code39{'U', "110000001"}, Code39{'V', "011000001"},
    Code39{'W', "111000000"}, Code39{'X', "010010001"}, Code39{'Y', "110010000"}, Code39{'Z', "011010000"},
    Code39{'-', "010000101"}, Code39{'.', "110000100"}, Code39{' ', "011000100"}, Code39{'*', "010010100"},
};

class Canvas {
public:
    explicit Canvas(GreyPage& page) : page_(page) {}
    void fill(int x, int y, int w, int h, uint8_t grey) {
        const int x0 = std::max(x, 0), y0 = std::max(y, 0);
        const int x1 = std::min<int>(x + w, static_cast<int>(page_.width));
        const int y1 = std::min<int>(y + h, static_cast<int>(page_.height));
        for (int yy = y0; yy < y1; ++yy) {
            std::fill_n(page_.pixels.begin() + static_cast<long>(yy) * page_.width + x0, std::max(x1 - x0, 0), grey);
        }
    }
    // Text at (x, y) with dots of `scale` pixels; returns the height used.
    int text(int x, int y, const std::string& s, int scale) {
        for (const char raw : s) {
            const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
            const Glyph* g = nullptr;
            for (const Glyph& f : kFont) g = f.c == c ? &f : g;
            for (int row = 0; g != nullptr && row < 7; ++row) {
                for (int col = 0; col < 5; ++col) {
                    if (g->rows[static_cast<size_t>(row)] & (0x10 >> col)) {
                        fill(x + col * scale, y + row * scale, scale, scale, 0);
                    }
                }
            }
            x += 6 * scale;
        }
        return 8 * scale;
    }
    // Code 39 of `data` (framed by '*'), narrow bars of `module` pixels.
    void code39(int x, int y, const std::string& data, int module, int height) {
        for (const char c : "*" + data + "*") {
            const Code39* code = nullptr;
            for (const Code39& k : kCode39) code = k.c == c ? &k : code;
            if (code == nullptr) continue;
            for (int e = 0; e < 9; ++e) {
                const int w = code->pattern[e] == '1' ? 3 * module : module;
                if (e % 2 == 0) fill(x, y, w, height, 0);
                x += w;
            }
            x += module;  // gap between characters
        }
    }

private:
    GreyPage& page_;
};

}  // namespace

GreyPage drawTestLabel(const TestLabelInfo& info) {
    GreyPage page;
    page.width = static_cast<uint32_t>(std::max(info.widthHmm, 1000) * info.dpi / 2540);
    page.height = static_cast<uint32_t>(std::max(info.lengthHmm, 1000) * info.dpi / 2540);
    page.pixels.assign(static_cast<size_t>(page.width) * page.height, 255);
    Canvas c(page);
    const int margin = info.dpi / 16;  // about 1.5 mm
    const int scale = std::max(info.dpi / 100, 1);
    int y = margin;
    y += c.text(margin, y, info.model, scale);
    std::string settings;
    if (info.darkness >= 0) settings += "DARKNESS " + std::to_string(info.darkness) + "  ";
    if (info.speed >= 0) settings += "SPEED " + std::to_string(info.speed);
    if (!settings.empty()) y += c.text(margin, y, settings, scale);
    const int barHeight = info.dpi / 4;
    c.code39(margin, y + scale, "KOVALI", std::max(info.dpi / 100, 1), barHeight);
    y += barHeight + 3 * scale;
    // Ten grey steps from white to black across the page.
    const int stepWidth = std::max((static_cast<int>(page.width) - 2 * margin) / 10, 1);
    for (int i = 0; i < 10; ++i) {
        c.fill(margin + i * stepWidth, y, stepWidth, info.dpi / 8, static_cast<uint8_t>(255 - i * 255 / 9));
    }
    return page;
}

bool writeTestLabel(const TestLabelInfo& info, const std::string& path) {
    const GreyPage page = drawTestLabel(info);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    cups_raster_t* ras = cupsRasterOpen(fd, CUPS_RASTER_WRITE_PWG);
    cups_page_header2_t h;
    pwg_media_t* media = pwgMediaForSize(info.widthHmm, info.lengthHmm);
    bool ok = ras != nullptr && media != nullptr &&
              cupsRasterInitPWGHeader(&h, media, "sgray_8", info.dpi, info.dpi, "one-sided", nullptr);
    if (ok) {
        h.cupsWidth = page.width;
        h.cupsHeight = page.height;
        h.cupsBytesPerLine = page.width;
        ok = cupsRasterWriteHeader2(ras, &h) != 0;
    }
    for (uint32_t row = 0; ok && row < page.height; ++row) {
        ok =
            cupsRasterWritePixels(ras, const_cast<uint8_t*>(page.pixels.data()) + static_cast<size_t>(row) * page.width,
                                  page.width) == page.width;
    }
    if (ras != nullptr) cupsRasterClose(ras);
    close(fd);
    return ok;
}

}  // namespace kvapp
