// Canvas geometry of each portable device model and the placement of the
// zoomed page on it. Sizes are worked out in 64-bit integers so a page that is
// smaller than a model's margins is seen and refused instead of wrapping, and
// a canvas larger than any real page is refused before it is allocated.
#include "image/device/model_canvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/debug_log.h"
#include "image/device/zoom.h"

namespace {

// Feed factors of the L50 and L50C paper paths (single precision).
constexpr float kL50Feed = 0.98841137f;
constexpr float kL50CFeed = 0.9754902f;
// Rows the L50 and L50C lose at the tear bar: 79.921257f doubled, truncated.
constexpr int64_t kL50TearRows = 159;
// Top margin of the tattoo canvas: trunc(0.9754902 x 175.82677165354332).
constexpr int64_t kTattooTop = 171;
constexpr int64_t kTopMargin = 24;
// Largest canvas made: 128 MiB. The largest page any model prints (216 mm by
// 1 m at 300 dpi) makes a canvas of about 30 MB; a page beyond this is no page
// a model can print and must not cost a huge allocation.
constexpr int64_t kMaxCanvasBytes = int64_t{1} << 27;

struct Layout {
    int64_t canvasW = 0;
    int64_t canvasH = 0;
    int64_t zoomW = 0;
    int64_t zoomH = 0;
    int64_t top = 0;
    int64_t left = 0;
    bool mirror = false;
};

uint8_t* refuse(const char* model, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH) {
    writeLogString("%s: page %ux%u is smaller than the model's margins, page skipped", model, srcW, srcH);
    *outW = 0;
    *outH = 0;
    return nullptr;
}

// Shrinks (zoomW, zoomH) to the page's aspect ratio.
void aspectFit(uint32_t srcW, uint32_t srcH, int64_t& zoomW, int64_t& zoomH) {
    const float f = static_cast<float>(static_cast<double>(srcW) / srcH * static_cast<double>(zoomH));
    if (f < static_cast<float>(zoomW)) {
        zoomW = static_cast<int64_t>(f);
    } else {
        zoomH = static_cast<int64_t>(static_cast<double>(srcH) / srcW * static_cast<double>(zoomW));
    }
}

void copyZoomed(uint8_t* canvas, const Layout& l, const uint8_t* zoomed) {
    const int64_t rows = std::min(l.zoomH, l.canvasH - l.top);
    const int64_t cols = std::min(l.zoomW, l.canvasW - l.left);
    if (rows <= 0 || cols <= 0 || l.top < 0 || l.left < 0) return;
    for (int64_t y = 0; y < rows; ++y) {
        std::memcpy(canvas + (l.top + y) * l.canvasW + l.left, zoomed + y * l.zoomW, static_cast<size_t>(cols));
    }
}

// Zooms the page, places it on a white canvas of the layout's size.
uint8_t* render(const char* model, const uint8_t* src, uint32_t srcW, uint32_t srcH, const Layout& l, uint32_t* outW,
                uint32_t* outH) {
    *outW = 0;
    *outH = 0;
    if (l.canvasW <= 0 || l.canvasH <= 0 || l.canvasW > UINT32_MAX || l.canvasH > UINT32_MAX) {
        return refuse(model, srcW, srcH, outW, outH);
    }
    if (l.canvasH > kMaxCanvasBytes / l.canvasW) {
        writeLogString("%s: page %ux%u needs a %ldx%ld canvas, larger than any page the model prints, page skipped",
                       model, srcW, srcH, static_cast<long>(l.canvasW), static_cast<long>(l.canvasH));
        return nullptr;
    }
    const size_t bytes = static_cast<size_t>(l.canvasW) * static_cast<size_t>(l.canvasH);
    auto* canvas = static_cast<uint8_t*>(std::malloc(bytes));
    if (canvas == nullptr) {
        writeLogString("%s: no memory for a %ldx%ld canvas", model, static_cast<long>(l.canvasW),
                       static_cast<long>(l.canvasH));
        return nullptr;
    }
    std::memset(canvas, 255, bytes);
    const bool inside = l.top >= 0 && l.left >= 0 && l.zoomH <= l.canvasH - l.top && l.zoomW <= l.canvasW - l.left;
    if (l.zoomW > 0 && l.zoomH > 0 && inside) {
        // The zoomed page lies wholly on the canvas: zoom straight into its place.
        bitmapZoomInto(src, srcW, srcH, canvas + l.top * l.canvasW + l.left, static_cast<uint32_t>(l.zoomW),
                       static_cast<uint32_t>(l.zoomH), static_cast<uint64_t>(l.canvasW));
    } else if (l.zoomW > 0 && l.zoomH > 0) {
        uint8_t* zoomed = bitmapZoom(src, srcW, srcH, static_cast<uint32_t>(l.zoomW), static_cast<uint32_t>(l.zoomH));
        if (zoomed == nullptr) {
            writeLogString("%s: no memory for a %ldx%ld zoomed page", model, static_cast<long>(l.zoomW),
                           static_cast<long>(l.zoomH));
            std::free(canvas);
            return nullptr;
        }
        copyZoomed(canvas, l, zoomed);
        std::free(zoomed);
    }
    if (l.mirror) {
        for (int64_t y = 0; y < l.canvasH; ++y) std::reverse(canvas + y * l.canvasW, canvas + (y + 1) * l.canvasW);
    }
    *outW = static_cast<uint32_t>(l.canvasW);
    *outH = static_cast<uint32_t>(l.canvasH);
    return canvas;
}

bool usable(const uint8_t* src, uint32_t srcW, uint32_t srcH, const uint32_t* outW, const uint32_t* outH) {
    return src != nullptr && srcW > 0 && srcH > 0 && outW != nullptr && outH != nullptr;
}

void clearSizes(uint32_t* outW, uint32_t* outH) {
    if (outW != nullptr) *outW = 0;
    if (outH != nullptr) *outH = 0;
}

// LM50 and L60: the page keeps its size up to 2592 dots, the top 24 rows stay
// white and the page is shrunk into the rest, centred.
uint8_t* wideHeadCanvas(const char* model, const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW,
                        uint32_t* outH) {
    if (!usable(src, srcW, srcH, outW, outH)) return clearSizes(outW, outH), nullptr;
    Layout l;
    l.canvasW = srcW;
    l.canvasH = srcH;
    if (srcW > 2592) {
        l.canvasW = 2592;
        l.canvasH = static_cast<int64_t>(static_cast<double>(srcH) / srcW * 2592);
    }
    l.zoomH = l.canvasH - kTopMargin;
    if (l.zoomH <= 0) return refuse(model, srcW, srcH, outW, outH);
    l.zoomW = static_cast<int64_t>(static_cast<double>(l.zoomH) / static_cast<double>(l.canvasH) *
                                   static_cast<double>(l.canvasW));
    l.top = kTopMargin;
    l.left = (l.canvasW - l.zoomW) / 2;
    return render(model, src, srcW, srcH, l, outW, outH);
}

// L50 and L50C for ordinary labels: 1664 dots, the page shortened by the
// tear-bar rows and the feed factor, centred below a 24-row margin.
uint8_t* l50Canvas(const char* model, float feed, const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW,
                   uint32_t* outH) {
    if (!usable(src, srcW, srcH, outW, outH)) return clearSizes(outW, outH), nullptr;
    const int64_t rows = static_cast<int64_t>(srcH) - kL50TearRows - 2 * kTopMargin;
    if (rows <= 0) return refuse(model, srcW, srcH, outW, outH);
    const int64_t zoomH0 = static_cast<int64_t>(static_cast<float>(rows) * feed);
    Layout l;
    l.canvasW = 1664;
    l.canvasH = zoomH0 + kTopMargin;
    l.zoomW = std::min<int64_t>(srcW, 1664);
    l.zoomH = zoomH0;
    aspectFit(srcW, srcH, l.zoomW, l.zoomH);
    l.top = kTopMargin + (l.canvasH - l.zoomH - kTopMargin) / 2;
    l.left = (l.canvasW - l.zoomW) / 2;
    return render(model, src, srcW, srcH, l, outW, outH);
}

}  // namespace

uint8_t* driveBitmapZoomToLM50(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH) {
    return wideHeadCanvas("LM50", src, srcW, srcH, outW, outH);
}

uint8_t* driveBitmapZoomToL60(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH) {
    return wideHeadCanvas("L60", src, srcW, srcH, outW, outH);
}

uint8_t* driveBitmapZoomToL50(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH) {
    return l50Canvas("L50", kL50Feed, src, srcW, srcH, outW, outH);
}

uint8_t* driveBitmapZoomToL50C_Normal(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW,
                                      uint32_t* outH) {
    return l50Canvas("L50C", kL50CFeed, src, srcW, srcH, outW, outH);
}

uint8_t* driveBitmapZoomToL50B(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH) {
    if (!usable(src, srcW, srcH, outW, outH)) return clearSizes(outW, outH), nullptr;
    // Page rows to the L50B's feed steps: 0.0846... mm per dot, 12 steps per mm.
    const int64_t base = static_cast<int64_t>(srcH * 0.08466666666666667 * 12.0) - 240;
    const int64_t zoomH0 = base - 2 * kTopMargin;
    if (zoomH0 <= 0) return refuse("L50B", srcW, srcH, outW, outH);
    Layout l;
    l.canvasW = 2496;
    l.canvasH = base - kTopMargin;
    l.zoomW = std::min<int64_t>(srcW, 2496);
    l.zoomH = zoomH0;
    aspectFit(srcW, srcH, l.zoomW, l.zoomH);
    l.top = kTopMargin + (l.canvasH - l.zoomH - kTopMargin) / 2;
    l.left = (l.canvasW - l.zoomW) / 2;
    return render("L50B", src, srcW, srcH, l, outW, outH);
}

uint8_t* driveBitmapZoomToL50C_Tattoo(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW,
                                      uint32_t* outH) {
    if (!usable(src, srcW, srcH, outW, outH)) return clearSizes(outW, outH), nullptr;
    // A transfer is laid on the skin face down, so the canvas is a mirror image.
    Layout l;
    l.canvasW = 1664;
    l.canvasH = static_cast<int64_t>(static_cast<float>(srcH) * kL50CFeed) + kTattooTop;
    l.zoomW = std::min<int64_t>(srcW, 1550);
    const int64_t fitted = static_cast<int64_t>(static_cast<double>(srcH) / srcW * static_cast<double>(l.zoomW));
    l.zoomH = static_cast<int64_t>(static_cast<float>(fitted) * kL50CFeed);
    l.top = kTattooTop;
    l.left = (l.canvasW - l.zoomW) / 2;
    l.mirror = true;
    return render("L50C tattoo", src, srcW, srcH, l, outW, outH);
}

uint8_t* driveBitmapZoomToL60B(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH) {
    if (!usable(src, srcW, srcH, outW, outH)) return clearSizes(outW, outH), nullptr;
    if (srcW <= 79) return refuse("L60B", srcW, srcH, outW, outH);
    Layout l;
    l.canvasW = std::min<int64_t>(srcW - 79, 1646);
    l.canvasH = srcH;
    l.zoomW = l.canvasW;
    l.zoomH = static_cast<int64_t>(static_cast<double>(srcH) / srcW * static_cast<double>(l.canvasW));
    l.top = (l.canvasH - l.zoomH) / 2;
    return render("L60B", src, srcW, srcH, l, outW, outH);
}
