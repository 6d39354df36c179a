// Lookup-table tone adjustments of a band's grey plane: the lightening and
// darkening curves, the piecewise tone S-curve and tattoo sharpening. Every
// adjustment depends on the grey value alone, so each builds (or has) a
// 256-entry table and makes one pass over the plane.
#include "image/tone.h"

#include <array>
#include <cmath>

// clang-format off
const uint8_t kvBrightnessIncreaseTable[256] = {
    0,   1,   2,   4,   5,   8,   9,   10,  12,  14,  16,  17,  18,  21,  22,  24,
    25,  26,  29,  30,  32,  33,  35,  37,  38,  40,  41,  43,  45,  46,  48,  49,
    50,  53,  54,  56,  57,  58,  60,  61,  63,  65,  66,  68,  69,  70,  72,  73,
    74,  76,  77,  80,  81,  82,  84,  85,  86,  88,  89,  91,  92,  93,  94,  95,
    96,  98,  99,  99,  101, 102, 103, 104, 105, 107, 108, 108, 110, 111, 111, 113,
    114, 115, 116, 117, 118, 119, 120, 121, 121, 123, 124, 124, 125, 127, 128, 128,
    130, 131, 131, 132, 134, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 143,
    145, 146, 147, 147, 149, 150, 151, 151, 153, 154, 155, 155, 157, 158, 159, 160,
    161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174, 175, 177,
    178, 179, 180, 181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 193, 194,
    194, 195, 196, 197, 198, 199, 200, 201, 202, 204, 205, 205, 206, 207, 207, 208,
    209, 209, 210, 211, 211, 213, 214, 214, 215, 216, 216, 217, 217, 218, 219, 219,
    221, 221, 222, 223, 223, 224, 224, 225, 225, 226, 226, 228, 228, 229, 229, 230,
    230, 231, 231, 232, 232, 233, 233, 235, 235, 236, 236, 237, 237, 238, 238, 238,
    239, 239, 240, 240, 242, 242, 242, 243, 243, 244, 244, 245, 245, 245, 246, 246,
    247, 247, 247, 249, 249, 250, 250, 250, 251, 251, 252, 252, 252, 253, 253, 255,
};
// clang-format on

// clang-format off
const uint8_t kvBrightnessReduceTable[256] = {
    0,   0,   1,   2,   2,   3,   4,   4,   5,   6,   7,   7,   8,   9,   9,   10,
    11,  11,  12,  13,  14,  14,  15,  16,  16,  17,  18,  19,  19,  20,  21,  21,
    22,  23,  24,  24,  25,  26,  26,  27,  28,  29,  29,  30,  31,  31,  32,  33,
    33,  34,  35,  36,  36,  37,  38,  39,  39,  40,  41,  41,  42,  43,  44,  44,
    45,  46,  46,  47,  48,  49,  49,  50,  51,  51,  52,  53,  54,  54,  55,  56,
    57,  57,  58,  59,  60,  60,  61,  62,  62,  63,  64,  65,  65,  66,  67,  68,
    68,  69,  70,  71,  71,  72,  73,  74,  74,  75,  76,  77,  77,  78,  79,  80,
    80,  81,  82,  83,  83,  84,  85,  86,  86,  87,  88,  89,  89,  90,  91,  92,
    93,  93,  94,  95,  96,  97,  97,  98,  99,  100, 101, 102, 102, 103, 104, 105,
    106, 107, 107, 108, 109, 110, 111, 112, 112, 113, 114, 115, 116, 117, 118, 118,
    119, 120, 121, 122, 123, 123, 124, 125, 126, 127, 128, 129, 129, 130, 131, 132,
    133, 134, 135, 135, 136, 137, 138, 139, 140, 141, 141, 142, 143, 144, 145, 146,
    147, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157, 159, 160, 161, 162,
    163, 164, 165, 166, 168, 169, 170, 171, 173, 174, 175, 177, 178, 180, 181, 183,
    184, 186, 187, 189, 191, 192, 194, 196, 198, 200, 201, 203, 205, 207, 209, 211,
    213, 215, 217, 219, 221, 223, 225, 227, 230, 234, 237, 241, 244, 248, 251, 255,
};
// clang-format on

namespace {

using ToneTable = std::array<uint8_t, 256>;

uint32_t applyTable(KVImage* band, const uint8_t* table) {
    if (band == nullptr || band->gray == nullptr) return 1;
    const size_t pixels = kvImagePixelCount(band->width, band->height);
    if (pixels == 0) return 1;
    uint8_t* gray = band->gray;
    for (size_t i = 0; i < pixels; ++i) gray[i] = table[gray[i]];
    return 0;
}

// The S-curve of one grey value, in single precision; the powers are taken in
// double precision with the single-precision exponent 0.7f.
uint8_t toneCurve(unsigned grey) {
    const float v = static_cast<float>(grey) / 255.0f;
    const double exponent = 0.7f;
    float y;
    if (v < 0.1f) {
        y = 1.2f * v;
    } else if (v < 0.5f) {
        y = 0.5f * static_cast<float>(std::pow(static_cast<double>(2.0f * v), exponent));
    } else if (v < 0.9f) {
        y = 1.0f - 0.5f * static_cast<float>(std::pow(static_cast<double>(2.0f * (1.0f - v)), exponent));
    } else {
        y = (v - 0.9f) * 0.2f / 0.1f + 0.8f;
    }
    const float scaled = y * 255.0f;
    if (!(scaled > 0.0f)) return 0;
    if (scaled >= 255.0f) return 255;
    return static_cast<uint8_t>(static_cast<int>(scaled));
}

ToneTable makeToneCurveTable() {
    ToneTable table{};
    for (unsigned g = 0; g < 256; ++g) table[g] = toneCurve(g);
    return table;
}

constexpr ToneTable makeTattooTable() {
    ToneTable table{};
    for (unsigned g = 0; g < 256; ++g) {
        unsigned v = g;
        if (g >= 240)
            v = 255;
        else if (g >= 231)
            v = g + 5;
        table[g] = static_cast<uint8_t>(v);
    }
    return table;
}

}  // namespace

uint32_t KVImageBrightnessIncrease(KVImage* band) { return applyTable(band, kvBrightnessIncreaseTable); }

uint32_t KVImageBrightnessReduce(KVImage* band) { return applyTable(band, kvBrightnessReduceTable); }

uint32_t KVImageBrightnessContrastReduction(KVImage* band) {
    static const ToneTable table = makeToneCurveTable();
    return applyTable(band, table.data());
}

uint32_t KVImageSharpenTattoo(KVImage* band) {
    static constexpr ToneTable table = makeTattooTable();
    return applyTable(band, table.data());
}
