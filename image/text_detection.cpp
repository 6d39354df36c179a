// The text/photo test of a band: a histogram of its grey levels tells printed
// text (mostly paper white with a few dark strokes, or one dominant level with
// dark pixels) from a photograph (many mid-tones, little white).
#include <algorithm>
#include <array>

#include "base/debug_log.h"
#include "image/processing_chains.h"

int32_t KVImageIsText(const KVImage* band) {
    if (band == nullptr || band->gray == nullptr) return 0;
    const size_t pixels = kvImagePixelCount(band->width, band->height);
    if (pixels == 0) return 0;
    // Four partial histograms, so runs of one grey level (white paper) don't
    // wait on one counter.
    uint32_t part[4][256] = {};
    std::array<uint64_t, 256> histogram{};
    const uint8_t* gray = band->gray;
    for (size_t done = 0; done < pixels;) {
        // Blocks short enough that no 32-bit counter can overflow.
        const size_t end = done + std::min<size_t>(pixels - done, size_t{1} << 30);
        size_t i = done;
        for (; i + 4 <= end; i += 4) {
            ++part[0][gray[i]];
            ++part[1][gray[i + 1]];
            ++part[2][gray[i + 2]];
            ++part[3][gray[i + 3]];
        }
        for (; i < end; ++i) ++part[0][gray[i]];
        for (int v = 0; v < 256; ++v) {
            histogram[v] += uint64_t{part[0][v]} + part[1][v] + part[2][v] + part[3][v];
            part[0][v] = part[1][v] = part[2][v] = part[3][v] = 0;
        }
        done = end;
    }

    uint64_t bright = 0, white = 0, mid = 0, dark = 0, peak = 0;
    for (unsigned g = 0; g < 256; ++g) {
        if (g >= 239) bright += histogram[g];
        if (g >= 253) white += histogram[g];
        if (g >= 64 && g <= 191) mid += histogram[g];
        if (g < 100) dark += histogram[g];
        if (histogram[g] > peak) peak = histogram[g];
    }
    // Percentages by cross-multiplication, in 64 bits: a page of 2^32 pixels
    // times 100 still fits.
    const uint64_t n = pixels;
    if (bright * 100 < n * 45 && white * 100 < n * 40) {
        kvPrintf("is-isImage\n");
        return 0;
    }
    if (mid * 100 > n * 40) {
        kvPrintf("is-isImage\n");
        return 0;
    }
    const bool hasPeak = peak * 100 > n * 80;
    const bool hasDark = dark > 7;
    if (hasPeak && hasDark) {
        kvPrintf("is-isText 11111\n");
        return 1;
    }
    if (hasPeak) {
        kvPrintf("is-isImage 22222 :%d\n", static_cast<int>(dark));
        return 0;
    }
    if (hasDark) {
        kvPrintf("is-isText 33333\n");
        return 1;
    }
    kvPrintf("is-isText 444444\n");
    return 1;
}
