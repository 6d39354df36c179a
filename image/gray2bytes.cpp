// Grey rows to one-bit rows: fixed thresholds and ordered-dither tables for
// print modes 0 to 5, the image-processing chain for every other mode.
#include "image/gray2bytes.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "base/debug_log.h"
#include "image/dither.h"
#include "image/kvimage.h"
#include "image/pack_bits.h"
#include "image/processing_chains.h"

const uint8_t OrderedBayer8[8][8] = {
    {1, 48, 12, 60, 3, 51, 15, 63},   {32, 16, 44, 28, 35, 19, 47, 31}, {8, 56, 4, 52, 11, 59, 7, 55},
    {40, 24, 36, 20, 43, 27, 39, 23}, {2, 50, 14, 62, 1, 49, 13, 61},   {34, 18, 46, 30, 33, 17, 45, 29},
    {10, 58, 6, 54, 9, 57, 5, 53},    {42, 26, 38, 22, 41, 25, 37, 21},
};

const uint8_t ClusteredDot8[8][8] = {
    {24, 10, 12, 26, 35, 47, 49, 37}, {8, 0, 2, 14, 45, 59, 61, 51},    {22, 6, 4, 16, 43, 57, 63, 53},
    {30, 20, 18, 28, 33, 41, 55, 39}, {34, 46, 48, 36, 25, 11, 13, 27}, {44, 58, 60, 50, 9, 1, 3, 15},
    {42, 56, 62, 52, 23, 7, 5, 17},   {32, 40, 54, 38, 31, 21, 19, 29},
};

namespace {

// Recursive Bayer index matrix: from (0 2 / 3 1), each step places 4M, 4M+2,
// 4M+3, 4M+1 in the four quadrants. The printer tables hold 254 at row 15,
// column 0 instead of 255.
struct Bayer16 {
    uint8_t m[16][16];
    constexpr Bayer16() : m{} {
        m[0][0] = 0;
        m[0][1] = 2;
        m[1][0] = 3;
        m[1][1] = 1;
        for (int n = 2; n < 16; n *= 2) {
            for (int y = 0; y < n; ++y) {
                for (int x = 0; x < n; ++x) {
                    const int v = 4 * m[y][x];
                    m[y][x + n] = static_cast<uint8_t>(v + 2);
                    m[y + n][x] = static_cast<uint8_t>(v + 3);
                    m[y + n][x + n] = static_cast<uint8_t>(v + 1);
                    m[y][x] = static_cast<uint8_t>(v);
                }
            }
        }
        m[15][0] = 254;
    }
};
constexpr Bayer16 kBayer16{};

// Limit of one pixel: it is black when its grey value v < limit. Modes 0, 1
// and 5 compare v <= t, i.e. v < t + 1; modes 2 and 3 compare v / 4 < t,
// which for whole numbers is v < 4t (at most 252, so every limit is a byte).
uint8_t pixelLimit(int32_t mode, uint32_t x, uint32_t y) {
    switch (mode) {
        case 0: return 129;
        case 2: return static_cast<uint8_t>(4 * OrderedBayer8[y % 8][x % 8]);
        case 3: return static_cast<uint8_t>(4 * ClusteredDot8[y % 8][x % 8]);
        case 4: return OrderedBayer16[x % 16][y % 16];
        default: return 161;
    }
}

// One row against one row of the 16-dot limit cell, 16 dots per step; the
// compare loop has a fixed count and no branch, so the compiler turns it
// into vector code.
// `keep` is 0xFF to add the dots to the bits already in `dst`, 0 to replace them.
void thresholdRow(const uint8_t* src, const uint8_t* limit, uint8_t* dst, uint32_t widthBytes, uint8_t keep) {
    uint8_t mask[16];
    uint32_t b = 0;
    for (; b + 2 <= widthBytes; b += 2, src += 16) {
        for (int k = 0; k < 16; ++k) mask[k] = src[k] < limit[k] ? 0xFF : 0x00;
        dst[b] = static_cast<uint8_t>((dst[b] & keep) | packMask8(mask));
        dst[b + 1] = static_cast<uint8_t>((dst[b + 1] & keep) | packMask8(mask + 8));
    }
    if (b < widthBytes) {  // an odd last byte: the left half of the cell
        for (int k = 0; k < 8; ++k) mask[k] = src[k] < limit[k] ? 0xFF : 0x00;
        dst[b] = static_cast<uint8_t>((dst[b] & keep) | packMask8(mask));
    }
}

}  // namespace

const uint8_t OrderedBayer16[16][16] = {
#define ROW(r)                                                                                                      \
    {                                                                                                               \
        kBayer16.m[r][0], kBayer16.m[r][1], kBayer16.m[r][2], kBayer16.m[r][3], kBayer16.m[r][4], kBayer16.m[r][5], \
            kBayer16.m[r][6], kBayer16.m[r][7], kBayer16.m[r][8], kBayer16.m[r][9], kBayer16.m[r][10],              \
            kBayer16.m[r][11], kBayer16.m[r][12], kBayer16.m[r][13], kBayer16.m[r][14], kBayer16.m[r][15]           \
    }
    ROW(0), ROW(1), ROW(2),  ROW(3),  ROW(4),  ROW(5),  ROW(6),  ROW(7),
    ROW(8), ROW(9), ROW(10), ROW(11), ROW(12), ROW(13), ROW(14), ROW(15),
#undef ROW
};

char charToHex(uint32_t nibble) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return nibble < 16 ? kDigits[nibble] : '0';
}

void old_Gray2Bytes(const uint8_t* gray, uint8_t* out, uint32_t widthBytes, uint32_t height, int32_t mode) {
    writeLogString("Gray2Bytes: Enter function\r\n");
    const size_t width = static_cast<size_t>(widthBytes) * 8;
    // Every table repeats every 16 dots across and down: one 16x16 cell of
    // limits serves the whole page, however wide.
    uint8_t limits[16][16];
    for (uint32_t y = 0; y < 16; ++y) {
        for (uint32_t x = 0; x < 16; ++x) limits[y][x] = pixelLimit(mode, x, y);
    }
    for (uint32_t y = 0; y < height; ++y) {
        thresholdRow(gray + static_cast<size_t>(y) * width, limits[y % 16], out + static_cast<size_t>(y) * widthBytes,
                     widthBytes, 0xFF);
    }
    writeLogString("Gray2Bytes: Exit function11\r\n");
}

namespace {

// The chain's threshold for the row conversion: grey below it is a dot.
constexpr uint8_t kChainThreshold = 160;

struct ChainMode {
    const char* name;
    uint32_t flags;
};

ChainMode chainMode(int32_t mode) {
    switch (mode) {
        case KVImageAlgoText: return {"KVImageAlgoText", 0};
        case KVImageAlgoImage: return {"KVImageAlgoImage", KVImageFlagsAlgoImage};
        case KVImageAlgoTextImageMixed: return {"KVImageAlgoTextImageMixed", KVImageFlagsA4};
        default: return {"unknow", 0};
    }
}

}  // namespace

// A record of the page's size holding a private copy of the grey page; null
// when the page is unusable (no data, zero or too large a size) or memory
// runs out.
static KVImagePtr chainImage(const uint8_t* gray, uint32_t widthBytes, uint32_t height) {
    if (gray == nullptr || widthBytes > UINT32_MAX / 8) return nullptr;
    const uint32_t width = widthBytes * 8;
    KVImagePtr image(creatKVImage(width, height));
    if (!image) return nullptr;
    const size_t pixels = kvImagePixelCount(width, height);
    image->gray = static_cast<uint8_t*>(std::malloc(pixels));
    if (image->gray == nullptr) return nullptr;
    std::memcpy(image->gray, gray, pixels);
    return image;
}

// Chain path: the page goes through the image-processing chain of the mode.
// The one-bit plane is copied out whatever the chain's result code, as long
// as the chain made it; when the chain failed before making it (or the page
// could not be set up), the caller's buffer is left as it was (all white): no
// dot is printed from missing data.
static void chainGray2Bytes(const uint8_t* gray, uint8_t* out, uint32_t widthBytes, uint32_t height,
                            const ChainMode& chosen) {
    KVImagePtr image = chainImage(gray, widthBytes, height);
    PrintSetting setting = creatDefaultPrintSetting();
    setting.threshold = kChainThreshold;
    writeLogString("%s", chosen.name);
    // A missing record is refused by the chain (code 1) without a plane.
    getKVImageProcessingForCustom(image.get(), &setting, chosen.flags);
    // The record starts without a one-bit plane, so a plane here is the one
    // the chain made. The width is already a multiple of 8 and no frame is
    // asked for, so it has exactly the page's size.
    if (out != nullptr && image && image->bin != nullptr && image->width == widthBytes * 8 && image->height == height)
        std::memcpy(out, image->bin, static_cast<size_t>(widthBytes) * height);
    writeLogString("getPrintData");
}

// The chain with flag word 0 keeps the page as one band, sets each grey value
// to 255 when it is at least the threshold and to 0 below it, and packs the
// band with the same threshold: a dot exactly where the grey value is below
// the threshold, the plane copied over the caller's buffer. This pass writes
// those bits straight from the page, without the chain's three page copies.
// It takes the pages the chain accepts (data, a size that is not zero and
// fits), and leaves the others untouched as the chain does.
static void textChainGray2Bytes(const uint8_t* gray, uint8_t* out, uint32_t widthBytes, uint32_t height,
                                const char* name, uint8_t threshold) {
    writeLogString("%s", name);
    const bool usable = gray != nullptr && out != nullptr && widthBytes <= UINT32_MAX / 8 &&
                        kvImagePixelCount(widthBytes * 8, height) != 0;
    if (usable) {
        uint8_t limit[16];
        std::memset(limit, threshold, sizeof limit);
        const size_t width = static_cast<size_t>(widthBytes) * 8;
        for (uint32_t y = 0; y < height; ++y)
            thresholdRow(gray + y * width, limit, out + static_cast<size_t>(y) * widthBytes, widthBytes, 0);
    }
    writeLogString("getPrintData");
}

// Mode 7's flag word keeps the page as one band with no tone stage and runs
// the serpentine jittered Atkinson dither, which leaves every grey value 0 or
// 255; packing at 160 then makes a dot of every 0. This pass dithers from the
// page straight into the caller's buffer: the same bits, without the page copy
// and the one-bit plane the chain allocates. A page the chain refuses, or
// memory running out before the first row, leaves the buffer untouched.
static void imageChainGray2Bytes(const uint8_t* gray, uint8_t* out, uint32_t widthBytes, uint32_t height,
                                 const char* name) {
    writeLogString("%s", name);
    if (out != nullptr && widthBytes <= UINT32_MAX / 8)
        KVImageAtkinsonDitherToBits(gray, widthBytes * 8, height, 1, 1, out);
    writeLogString("getPrintData");
}

void Gray2Bytes(const uint8_t* gray, uint8_t* out, uint32_t widthBytes, uint32_t height, int32_t mode) {
    writeLogString("Gray2Bytes:%d", mode);
    if (static_cast<uint32_t>(mode) <= 5) {
        writeLogString("Gray2Bytes - old");
        old_Gray2Bytes(gray, out, widthBytes, height, mode);
        return;
    }
    writeLogString("Gray2Bytes - new");
    const ChainMode chosen = chainMode(mode);
    if (chosen.flags == 0) {
        textChainGray2Bytes(gray, out, widthBytes, height, chosen.name, kChainThreshold);
        return;
    }
    if (chosen.flags == KVImageFlagsAlgoImage) {
        imageChainGray2Bytes(gray, out, widthBytes, height, chosen.name);
        return;
    }
    chainGray2Bytes(gray, out, widthBytes, height, chosen);
}
