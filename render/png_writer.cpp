// libpng writing to a byte vector: 1-bit grey for plain pages, a 2-bit
// palette (white, black, red, blue) for two-colour pages and marked pages.
#include "render/png_writer.h"

#include <png.h>

#include <csetjmp>

namespace kvrender {
namespace {

void appendData(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void flushNothing(png_structp) {}

// Rows where a mark is drawn: feeds as a blue bar in the left 6 dots over the
// fed rows, cuts as a dashed blue line across the page.
std::vector<uint8_t> markRows(const Page& page, uint32_t height) {
    std::vector<uint8_t> rows(height, 0);  // 0 none, 1 feed, 2 cut
    for (const Mark& m : page.marks) {
        if (m.kind == Mark::Kind::Cut) {
            const uint32_t y = m.row > 0 ? std::min(m.row, height) - 1 : 0;
            if (y < height) rows[y] = 2;
        } else {
            for (uint32_t y = m.row; y < m.row + m.rows && y < height; ++y) rows[y] = rows[y] == 2 ? 2 : 1;
        }
    }
    return rows;
}

// Palette index rows: 0 white, 1 black, 2 red, 3 blue (marks).
void paletteRow(const Page& page, uint32_t width, uint32_t y, uint8_t mark, std::vector<uint8_t>& packed) {
    std::fill(packed.begin(), packed.end(), 0);
    for (uint32_t x = 0; x < width; ++x) {
        uint8_t v = page.black.dot(x, y) ? 1 : page.red.dot(x, y) ? 2 : 0;
        if (v == 0 && ((mark == 1 && x < 6) || (mark == 2 && (x / 8) % 2 == 0))) v = 3;
        packed[x / 4] |= static_cast<uint8_t>(v << (6 - 2 * (x % 4)));
    }
}

bool usesPalette(const Page& page) { return !page.red.empty() || !page.marks.empty(); }

// Buffers are the caller's: a libpng error jumps out of here past any destructor.
void writeRows(png_structp png, png_infop info, const Page& page, uint32_t width, uint32_t height,
               const std::vector<uint8_t>& marks, std::vector<uint8_t>& row) {
    const bool palette = usesPalette(page);
    png_set_IHDR(png, info, width, height, palette ? 2 : 1, palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) {
        png_color colours[4] = {{255, 255, 255}, {0, 0, 0}, {220, 0, 0}, {60, 120, 255}};
        png_set_PLTE(png, info, colours, 4);
    }
    png_write_info(png, info);
    for (uint32_t y = 0; y < height; ++y) {
        if (palette) {
            paletteRow(page, width, y, marks[y], row);
        } else {
            std::fill(row.begin(), row.end(), 0xFF);  // grey 1 bit: 1 is white
            if (y < page.black.height) {
                const uint8_t* src = page.black.bits.data() + y * page.black.stride;
                for (size_t b = 0; b < row.size() && b < page.black.stride; ++b) row[b] = static_cast<uint8_t>(~src[b]);
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
}

// libpng reports errors by longjmp: nothing here may need a destructor.
bool writeGuarded(png_structp png, png_infop info, const Page& page, uint32_t width, uint32_t height,
                  const std::vector<uint8_t>& marks, std::vector<uint8_t>& row, std::vector<uint8_t>* out) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_set_write_fn(png, out, appendData, flushNothing);
    writeRows(png, info, page, width, height, marks, row);
    return true;
}

}  // namespace

std::vector<uint8_t> encodePng(const Page& page, std::string& error) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        error = "libpng could not start";
        return {};
    }
    const uint32_t width = page.width > 0 && page.height > 0 ? page.width : 1;
    const uint32_t height = page.width > 0 && page.height > 0 ? page.height : 1;
    const std::vector<uint8_t> marks = markRows(page, height);
    std::vector<uint8_t> row(usesPalette(page) ? (width + 3) / 4 : (width + 7) / 8);
    out.reserve(static_cast<size_t>(width) * height / 64 + 1024);
    const bool written = writeGuarded(png, info, page, width, height, marks, row, &out);
    png_destroy_write_struct(&png, &info);
    if (!written) {
        error = "libpng failed to write the picture";
        return {};
    }
    return out;
}

}  // namespace kvrender
