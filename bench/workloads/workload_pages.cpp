// Workload pages: deterministic drawings, no random generator (the filter's
// own generator is process state and must not be disturbed).
#include "bench/workloads/workload_pages.h"

#include <algorithm>
#include <cmath>

namespace {

uint32_t mix(uint32_t v) {
    v ^= v >> 16;
    v *= 0x7FEB352Du;
    v ^= v >> 15;
    v *= 0x846CA68Bu;
    v ^= v >> 16;
    return v;
}

void fillRect(GreyPage& p, uint32_t x0, uint32_t y0, uint32_t w, uint32_t h, uint8_t value) {
    for (uint32_t y = y0; y < std::min(p.height, y0 + h); ++y) {
        for (uint32_t x = x0; x < std::min(p.width, x0 + w); ++x) {
            uint8_t& dot = p.grey[static_cast<size_t>(y) * p.width + x];
            dot = std::min(dot, value);
        }
    }
}

// A stroke with a one-dot grey rim, as a rasteriser's anti-aliasing leaves it.
void stroke(GreyPage& p, uint32_t x0, uint32_t y0, uint32_t w, uint32_t h) {
    fillRect(p, x0 > 0 ? x0 - 1 : 0, y0 > 0 ? y0 - 1 : 0, w + 2, h + 2, 170);
    fillRect(p, x0, y0, w, h, 0);
}

// One line of glyph-like marks in cells of cellW x cellH dots.
void textLine(GreyPage& p, uint32_t x0, uint32_t y0, uint32_t chars, uint32_t cellW, uint32_t cellH, uint32_t salt) {
    const uint32_t pen = std::max(2u, cellW / 6);
    for (uint32_t c = 0; c < chars; ++c) {
        const uint32_t h = mix(c * 131u + salt);
        if (h % 9 == 0) continue;  // a space
        const uint32_t x = x0 + c * cellW;
        const uint32_t inner = cellW - pen - 2;
        stroke(p, x + (h % 3) * inner / 2, y0, pen, cellH);                               // vertical stem
        if (h & 0x10) stroke(p, x, y0 + ((h >> 5) % 3) * (cellH - pen) / 2, inner, pen);  // bar
        if (h & 0x100) stroke(p, x + inner / 2, y0 + cellH / 2, pen, cellH / 2);
    }
}

void frame(GreyPage& p, uint32_t inset, uint32_t pen) {
    fillRect(p, inset, inset, p.width - 2 * inset, pen, 0);
    fillRect(p, inset, p.height - inset - pen, p.width - 2 * inset, pen, 0);
    fillRect(p, inset, inset, pen, p.height - 2 * inset, 0);
    fillRect(p, p.width - inset - pen, inset, pen, p.height - 2 * inset, 0);
}

void barcode(GreyPage& p, uint32_t x0, uint32_t y0, uint32_t w, uint32_t h) {
    uint32_t x = x0;
    for (uint32_t i = 0; x < x0 + w; ++i) {
        const uint32_t bar = 2 + mix(i) % 4 * 2;
        if (i % 2 == 0) fillRect(p, x, y0, std::min(bar, x0 + w - x), h, 0);
        x += bar;
    }
}

// Smooth shading with a fine texture, as a photograph scanned or rendered.
void picture(GreyPage& p, uint32_t x0, uint32_t y0, uint32_t w, uint32_t h) {
    for (uint32_t y = 0; y < h && y0 + y < p.height; ++y) {
        for (uint32_t x = 0; x < w && x0 + x < p.width; ++x) {
            const double u = static_cast<double>(x) / w - 0.4;
            const double v = static_cast<double>(y) / h - 0.45;
            const double shade = 0.5 + 0.45 * std::cos(6.0 * std::sqrt(u * u + v * v)) * (1.0 - 0.6 * v);
            const int texture = static_cast<int>(mix(y * 7919u + x) % 17) - 8;
            const int value = std::clamp(static_cast<int>(shade * 255.0) + texture, 0, 255);
            p.grey[static_cast<size_t>(y0 + y) * p.width + x0 + x] = static_cast<uint8_t>(value);
        }
    }
}

GreyPage blank(uint32_t width, uint32_t height, uint32_t resolution) {
    GreyPage p;
    p.width = width;
    p.height = height;
    p.resolution = resolution;
    p.grey.assign(static_cast<size_t>(width) * height, 255);
    return p;
}

}  // namespace

GreyPage shippingLabel() {
    GreyPage p = blank(812, 1218, 203);
    frame(p, 12, 5);
    picture(p, 40, 40, 200, 160);                                                   // logo
    for (uint32_t i = 0; i < 4; ++i) textLine(p, 270, 50 + i * 36, 30, 17, 24, i);  // sender
    fillRect(p, 12, 230, 788, 4, 0);
    for (uint32_t i = 0; i < 5; ++i) textLine(p, 60, 270 + i * 64, 18, 36, 50, 100 + i);  // addressee
    fillRect(p, 12, 610, 788, 4, 0);
    barcode(p, 80, 660, 650, 260);
    textLine(p, 200, 940, 20, 20, 28, 300);
    fillRect(p, 12, 1000, 788, 4, 0);
    for (uint32_t i = 0; i < 5; ++i) textLine(p, 40, 1030 + i * 34, 42, 17, 22, 400 + i);  // small print
    return p;
}

GreyPage a4Page() {
    GreyPage p = blank(2480, 3508, 300);
    for (uint32_t i = 0; i < 20; ++i) textLine(p, 200, 200 + i * 52, 80, 26, 34, 1000 + i);
    picture(p, 200, 1300, 2080, 1300);
    for (uint32_t i = 0; i < 14; ++i) textLine(p, 200, 2750 + i * 52, 80, 26, 34, 2000 + i);
    return p;
}
