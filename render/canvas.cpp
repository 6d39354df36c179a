// Pictures of pages: planes within the dot budget, rows drawn at an offset,
// ink counts.
#include "render/canvas.h"

#include <bit>

namespace kvrender {

const char* languageName(Language language) {
    switch (language) {
        case Language::Tspl: return "TSPL";
        case Language::TwoColourTspl: return "two-colour TSPL";
        case Language::Zpl: return "ZPL";
        case Language::SfZpl: return "SF ZPL";
        case Language::Cpcl: return "CPCL";
        case Language::EscPos: return "ESC/POS";
        case Language::Device: return "device protocol";
        case Language::Unknown: break;
    }
    return "unknown";
}

uint64_t Plane::inkIn(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) const {
    if (x1 > width) x1 = width;
    if (y1 > height) y1 = height;
    uint64_t n = 0;
    for (uint32_t y = y0; y < y1; ++y) {
        const uint8_t* row = bits.data() + y * stride;
        uint32_t x = x0;
        for (; x < x1 && x % 8 != 0; ++x) n += (row[x / 8] >> (7 - x % 8)) & 1u;
        for (; x + 8 <= x1; x += 8) n += static_cast<unsigned>(std::popcount(row[x / 8]));
        for (; x < x1; ++x) n += (row[x / 8] >> (7 - x % 8)) & 1u;
    }
    return n;
}

const std::string* Page::setting(const std::string& name) const {
    for (const auto& [key, value] : settings)
        if (key == name) return &value;
    return nullptr;
}

void DecodeContext::checkDots(uint64_t dots, size_t at, const std::string& what) const {
    if (dots > options.maxPageDots || dots + dotsUsed > options.maxTotalDots) {
        in.failAt(
            at, what + " of a size this renderer accepts (" + std::to_string(dots) + " dots is more than " +
                    std::to_string(dots > options.maxPageDots ? options.maxPageDots : options.maxTotalDots - dotsUsed) +
                    ")");
    }
}

Plane DecodeContext::newPlane(uint32_t width, uint32_t height, size_t at, const std::string& what) {
    const uint64_t dots = static_cast<uint64_t>(width) * height;
    checkDots(dots, at, what);
    dotsUsed += dots;
    Plane p;
    p.width = width;
    p.height = height;
    p.stride = (static_cast<size_t>(width) + 7) / 8;
    p.bits.assign(p.stride * height, 0);
    return p;
}

uint64_t drawRows(Plane& plane, int64_t x, int64_t y, std::span<const uint8_t> data, uint64_t bytesWidth, uint64_t rows,
                  bool zeroPrints) {
    uint64_t outside = 0;
    const uint8_t flip = zeroPrints ? 0xFF : 0x00;
    for (uint64_t r = 0; r < rows; ++r) {
        const uint8_t* src = data.data() + r * bytesWidth;
        const int64_t py = y + static_cast<int64_t>(r);
        const bool rowInside = py >= 0 && py < static_cast<int64_t>(plane.height);
        uint8_t* dst = rowInside ? plane.bits.data() + static_cast<size_t>(py) * plane.stride : nullptr;
        const bool aligned = rowInside && x >= 0 && x % 8 == 0 &&
                             x / 8 + static_cast<int64_t>(bytesWidth) <= static_cast<int64_t>(plane.width / 8);
        if (aligned) {  // the usual case: whole bytes inside the plane
            for (uint64_t b = 0; b < bytesWidth; ++b) dst[x / 8 + static_cast<int64_t>(b)] |= src[b] ^ flip;
            continue;
        }
        for (uint64_t b = 0; b < bytesWidth; ++b) {
            const uint8_t ink = src[b] ^ flip;
            if (ink == 0) continue;
            for (int bit = 0; bit < 8; ++bit) {
                if ((ink & (0x80u >> bit)) == 0) continue;
                const int64_t px = x + static_cast<int64_t>(b * 8) + bit;
                if (rowInside && px >= 0 && px < static_cast<int64_t>(plane.width)) {
                    dst[px / 8] |= static_cast<uint8_t>(0x80u >> (px % 8));
                } else {
                    ++outside;
                }
            }
        }
    }
    return outside;
}

void setSetting(Page& page, const std::string& name, const std::string& value) {
    for (auto& [key, v] : page.settings) {
        if (key == name) {
            v = value;
            return;
        }
    }
    page.settings.emplace_back(name, value);
}

}  // namespace kvrender
