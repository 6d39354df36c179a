// Printer bytes back to pictures: the label renderer. It reads everything the
// filter writes (TSPL with raw or zlib bitmaps, ZPL with hexadecimal or Z64
// graphic fields and the SF variant, CPCL EG / CG graphics, ESC/POS raster
// with its feeds, cuts, drawer kicks and beeps, two-colour TSPL, and the
// device packet protocol), and returns one picture per page at the printer's
// dots together with what it found: language, sizes, settings, and where the
// bytes are damaged. It works on bytes in memory only; the kvrender program
// reads files and writes the pictures.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kvrender {

enum class Language { Unknown, Tspl, TwoColourTspl, Zpl, SfZpl, Cpcl, EscPos, Device };

// "TSPL", "two-colour TSPL", "ZPL", "SF ZPL", "CPCL", "ESC/POS", "device protocol".
const char* languageName(Language language);

// One-bit picture plane: rows of `stride` bytes, the most significant bit the
// leftmost dot, 1 = a printed dot.
struct Plane {
    uint32_t width = 0;
    uint32_t height = 0;
    size_t stride = 0;
    std::vector<uint8_t> bits;

    bool empty() const { return bits.empty(); }
    bool dot(uint32_t x, uint32_t y) const {
        return x < width && y < height && (bits[y * stride + x / 8] & (0x80u >> (x % 8))) != 0;
    }
    // Printed dots in the rectangle [x0, x1) x [y0, y1), clipped to the plane.
    uint64_t inkIn(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) const;
    uint64_t ink() const { return inkIn(0, 0, width, height); }
};

// Something that is not ink but shows where the paper moves or is cut.
struct Mark {
    enum class Kind { Feed, Cut };
    Kind kind = Kind::Feed;
    uint32_t row = 0;   // first row it applies to
    uint32_t rows = 0;  // rows of paper fed (0 for a cut)
    std::string note;   // e.g. "line feed", "blank raster block", "partial cut"
};

struct Page {
    uint32_t width = 0;   // label or paper width in dots
    uint32_t height = 0;  // label or paper length in dots
    Plane black;
    Plane red;  // two-colour TSPL only; empty otherwise
    std::vector<Mark> marks;
    // Settings in the order found: {"darkness", "8"}, {"speed", "4"},
    // {"media tracking", "gaps"}, {"copies", "1"} and the language's others.
    std::vector<std::pair<std::string, std::string>> settings;
    // Bitmaps and their placement: "BITMAP 0,0 816x1218 zlib (3 strips)".
    std::vector<std::string> graphics;
    uint64_t inkOutside = 0;  // printed dots of graphics that fall outside the label

    const std::string* setting(const std::string& name) const;
};

struct Options {
    Language language = Language::Unknown;      // Unknown: recognised from the bytes
    uint32_t dpi = 0;                           // TSPL label size in dots; 0 means 203
    uint64_t maxPageDots = uint64_t{1} << 28;   // refuse larger pictures (32 MiB a plane)
    uint64_t maxTotalDots = uint64_t{1} << 30;  // and more than this over all pages
};

struct Result {
    Language language = Language::Unknown;
    std::vector<Page> pages;                               // pages decoded before any damage
    std::vector<std::pair<std::string, std::string>> job;  // job-level facts (start and end sequences ...)
    std::string error;                                     // "" when every byte was understood
    uint64_t errorOffset = 0;                              // byte offset of the damage

    bool ok() const { return error.empty(); }
};

// Recognises the language from the first bytes; Unknown when none matches.
Language detectLanguage(std::span<const uint8_t> bytes);

// Decodes the whole stream. Never throws for bad bytes: damage ends decoding
// with `error` set (naming the offset and what was expected) and the pages
// decoded before it kept.
Result render(std::span<const uint8_t> bytes, const Options& options = {});

}  // namespace kvrender
