// Two-colour TSPL output for printers with a black and a red head: the RGBA
// page is split into a black and a red ink plane, each plane is converted to
// a one-bit page and sent after SETCOLOR inside the usual TSPL set-up block.
// Grey and RGB pages are split by the same rules, as opaque pixels whose
// channels are the grey value or the three colours.
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/debug_log.h"
#include "base/sysinfo.h"
#include "languages/append.h"
#include "languages/generators.h"
#include "languages/one_bit_page.h"
#include "languages/strips.h"
#include "languages/tspl_setup.h"

namespace {

constexpr uint8_t kInk = 255;

struct Planes {
    std::vector<uint8_t> black, red;          // one byte per dot, 255 = ink
    std::vector<uint8_t> blackBits, redBits;  // one-bit pages, 0 = ink (TSPL)
};

bool allocPlanes(Planes& p, uint64_t dots, uint64_t bitBytes) {
    return allocPageBuffer(p.black, dots, "two-colour black plane") &&
           allocPageBuffer(p.red, dots, "two-colour red plane") &&
           allocPageBuffer(p.blackBits, bitBytes, "two-colour black one-bit page") &&
           allocPageBuffer(p.redBits, bitBytes, "two-colour red one-bit page");
}

// The channels of one pixel in the page's layout. Grey and RGB pixels are
// opaque; RGBA pixels are alpha first on Debian systems (as CUPS delivers them
// there), last everywhere else.
struct PixelLayout {
    int bytes;  // 1 grey, 3 RGB, 4 RGBA
    bool alphaFirst;
};

struct Pixel {
    int r, g, b, a;
};

Pixel pixelAt(const uint8_t* px, const PixelLayout& layout) {
    switch (layout.bytes) {
        case 1: return {px[0], px[0], px[0], 255};
        case 3: return {px[0], px[1], px[2], 255};
        default:
            if (layout.alphaFirst) return {px[1], px[2], px[3], px[0]};
            return {px[0], px[1], px[2], px[3]};
    }
}

// Colour rules of the printer's driver: a coloured pixel is red ink, and also
// black when dark and not opaque; a grey pixel is black ink up to 179. Where
// alpha comes last, a fully transparent pixel has no ink.
void splitColours(const uint8_t* page, int64_t rowBytes, const PixelLayout& layout, uint64_t width, uint64_t height,
                  Planes& p) {
    const bool skipTransparent = layout.bytes == 4 && !layout.alphaFirst;
    for (uint64_t y = 0; y < height; ++y) {
        const uint8_t* row = page + y * static_cast<uint64_t>(rowBytes);
        uint8_t* black = p.black.data() + y * width;
        uint8_t* red = p.red.data() + y * width;
        for (uint64_t x = 0; x < width; ++x) {
            const Pixel px = pixelAt(row + static_cast<uint64_t>(layout.bytes) * x, layout);
            if (skipTransparent && px.a == 0) continue;
            const int hi = std::max(px.r, std::max(px.g, px.b));
            const int lo = std::min(px.r, std::min(px.g, px.b));
            if (hi - lo > 7) {
                red[x] = kInk;
                if (hi <= 137 && px.a != 255) black[x] = kInk;
            } else if (lo <= 179) {
                black[x] = kInk;
            }
        }
    }
}

void appendBlock(DynamicArray* out, const std::vector<uint8_t>& bits, uint64_t width, uint64_t height,
                 const JobSettings* s) {
    const uint64_t bytesWidth = width / 8;
    if (s->isCompressie != 1) {
        appendTsplRawBitmap(out, s->horizontal, s->vertical, bytesWidth, height, bits.data());
    } else {
        TSPL_Zlib_CutImage(out, width, height, bytesWidth, bits.data(), s);
    }
}

void appendColours(DynamicArray* out, Planes& p, uint64_t width, uint64_t height, const JobSettings* s) {
    const int32_t model = s->colorPrintModel;
    if (model == 0 || model == 1) {
        appendText(out, "SETCOLOR BLACK\r\n");
        appendBlock(out, p.blackBits, width, height, s);
    }
    if (model == 0 || model == 2) {
        appendText(out, "SETCOLOR RED %d\r\n", s->colourDarkness);
        appendBlock(out, p.redBits, width, height, s);
    }
    if (model == 3) {
        // Everything in black: a dot prints (0 bit) when it prints in either plane.
        for (size_t i = 0; i < p.blackBits.size(); ++i) p.blackBits[i] &= p.redBits[i];
        appendText(out, "SETCOLOR BLACK\r\n");
        appendBlock(out, p.blackBits, width, height, s);
    }
}

}  // namespace

DynamicArray* getTSPLTwoColorPrintData(const uint8_t* page, int64_t rowBytes, int64_t width, uint64_t height,
                                       const JobSettings* settings, int bytesPerPixel) {
    DynamicArray* out = dynamic_array_init(2);
    if (out == nullptr) return nullptr;
    const JobSettings* s = settings;
    const bool knownLayout = bytesPerPixel == 1 || bytesPerPixel == 3 || bytesPerPixel == 4;
    if (page == nullptr || width < 0 || !knownLayout || rowBytes < width * bytesPerPixel) {
        writeLogString("two-colour page: rows of %ld bytes can't hold %ld pixels of %d bytes, page skipped",
                       static_cast<long>(rowBytes), static_cast<long>(width), bytesPerPixel);
        return out;
    }
    const auto w = static_cast<uint64_t>(width);
    const uint64_t bytesWidth = w / 8;
    Planes p;
    if (!allocPlanes(p, w * height, bytesWidth * height)) return out;
    const PixelLayout layout{bytesPerPixel, std::strcmp(detect_linux_distro(), "Debian") == 0};
    splitColours(page, rowBytes, layout, w, height, p);
    writeLogString("oneColorBuf,width = %d,height = %d", static_cast<int>(width), static_cast<int>(height));
    writeLogString("onePrintColorBuf,width = %d,height = %d", static_cast<int>(bytesWidth), static_cast<int>(height));
    appendTsplSetup(out, s);
    // A marked dot is white to the conversion, so the bits come out as TSPL wants them.
    convertPage(p.black.data(), p.blackBits, bytesWidth, height, s->printMode);
    convertPage(p.red.data(), p.redBits, bytesWidth, height, s->printMode);
    writeLogString(s->isCompressie != 1 ? "TSPL-notZlib" : "TSPL-isZlib");
    appendColours(out, p, w, height, s);
    appendText(out, "PRINT 1,%d\r\n", s->copies);
    writeLogString("array.size = %d,array.capacity = %d", out->size, out->capacity);
    return out;
}
