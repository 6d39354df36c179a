// The picture record of the image-processing library (RGBA, grey and packed
// one-bit planes), its life cycle, the tunable processing settings, the
// parameter records of the colour-to-print-data chain, and small buffer
// utilities (colour-order expansion, byte inversion, 180-degree turn).
//
// A C-style record API: planes are malloc'ed and owned by the record; records
// made by the creating functions are freed by the caller with free() after
// freeKVImageData (or use KVImagePtr below).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct KVImage {
    uint32_t width;   // pixels per row
    uint32_t height;  // rows
    uint8_t* rgba;    // width x height x 4 bytes R, G, B, A; may be null
    uint8_t* gray;    // width x height bytes, 0 black .. 255 white; may be null
    uint8_t* bin;     // packed one-bit plane, MSB leftmost, 1 = black; may be null
};

// Tunable values of the processing chains.
struct PrintSetting {
    float sharpenAmount;  // gain of the unsharp mask
    uint16_t blurRadius;  // Gaussian radius of the unsharp mask
    uint32_t invert;      // non-zero: the final one-bit plane is inverted
    uint8_t threshold;    // grey below this becomes a black dot
};

// Ways a caller asks for a grey page to be turned into dots (row conversion).
enum KVImageAlgoType : uint32_t {
    KVImageAlgoText = 6,
    KVImageAlgoImage = 7,
    KVImageAlgoTextImageMixed = 8,
};

// Image modes of the binarisation used by the device print path.
enum KVImageGrayType : uint32_t {
    KVImageGrayTypeText = 7,
    KVImageGrayTypeTattoo = 8,
};

// Parameter records of the colour-to-print-data chain. A null `buffer` makes
// the chain allocate (and free) the stage's plane itself.
struct RGBHistogramParam {
    uint8_t* buffer;  // 6 x width x height bytes
    uint8_t tilesX;
    uint8_t tilesY;
    uint8_t bins;
    uint8_t clipLimit;
};

struct SingleColorDataParam {
    uint8_t* buffer;  // grey plane, width x height bytes
};

struct SharpeningParam {
    uint8_t* buffer;  // width x height bytes
    int8_t radius;
    int8_t strength;
};

struct HistogramParam {
    uint8_t* buffer;  // width x height bytes
    uint8_t tilesX;
    uint8_t tilesY;
    uint8_t bins;
    uint8_t clipLimit;
};

struct ErrDiffParam {
    uint32_t kernel;         // 0: the 42-weight kernel, 1: the 16-weight kernel
    uint32_t bilevel;        // 1: two output levels, 0: sixteen
    uint32_t autoThreshold;  // 1: compute the threshold
};

struct PrintParam {
    uint8_t threshold;
    uint32_t invertColor;
    uint32_t reverse;
};

// Snapshot destinations (each null or width x height x 4 bytes of RGBA).
struct DebugParam {
    uint8_t* afterRGBHistogram;
    uint8_t* afterSingleColor;
    uint8_t* afterSharpening;
    uint8_t* afterHistogram;
    uint8_t* afterErrDiff;
    uint8_t* afterBinarization;
};

RGBHistogramParam creatDefaultRGBHistogramParam();        // null, 2, 2, 128, 5
SingleColorDataParam creatDefaultSingleColorDataParam();  // null buffer
SharpeningParam creatDefaultSharpeningParam();            // null, 2, 2
HistogramParam creatDefaultHistogramParam();              // null, 2, 2, 128, 5
ErrDiffParam creatDefaultErrDiffParam();                  // 0, 1, 1
PrintParam creatDefaultPrintParam();                      // 128, 0, 0
DebugParam creatDefaultDebugParam();                      // all null

// sharpenAmount 4.0, blurRadius 2, invert 0, threshold 128.
PrintSetting creatDefaultPrintSetting();

// Byte sizes of the planes of a width x height picture; 0 when a size is 0 or
// the product does not fit in memory arithmetic. The one-bit plane is rounded
// up to whole bytes (width x height / 8 exactly when width is a multiple of 8).
size_t kvImagePixelCount(uint32_t width, uint32_t height);
size_t kvImageBinSize(uint32_t width, uint32_t height);

// Result codes: 0 success, 1 bad argument, 2 out of memory.
enum : uint32_t { KVImageOK = 0, KVImageBadArgument = 1, KVImageNoMemory = 2 };

// New record with a private copy of width x height x 4 bytes of RGBA.
KVImage* creatKVImageWithRGBAData(const uint8_t* bytes, uint32_t width, uint32_t height);
// New record with the size set and no planes.
KVImage* creatKVImage(uint32_t width, uint32_t height);
// New record with copies of each plane the source has.
KVImage* deepCopyKVImage(const KVImage* image);
// Frees each plane and sets it to null; the record stays with the caller.
void freeKVImageData(KVImage* image);
// freeKVImageData on each of `count` records, then frees the array itself.
void freeKVImageDataArray(KVImage* array, uint32_t count);

// Widens rgba and gray to a multiple of 8 pixels, new columns white/opaque;
// drops a one-bit plane of the old width (the chains rebuild it).
uint32_t fixKVImageWidthTo8Multiple(KVImage* image);
// Rebuilds `bin`: a dot wherever gray < setting->threshold.
uint32_t KVImageGray2BinByte(KVImage* image, const PrintSetting* setting);
// Inverts every byte of `bin`.
uint32_t KVImageInvertColors(KVImage* image);

// Buffer utilities; the caller provides all buffers.
void rgb2RGBA(const uint8_t* rgb, uint8_t* rgba, uint32_t width, uint32_t height);
uint32_t singleColor2GrayRGB(const uint8_t* gray, uint8_t* rgb, uint32_t width, uint32_t height);
void singleColor2GrayRGBA(const uint8_t* gray, uint8_t* rgba, uint32_t width, uint32_t height);
// kind 1: source is RGB (rgb2RGBA); anything else: source is grey.
void outputDebugData(const uint8_t* source, uint8_t* destination, uint32_t width, uint32_t height, int kind);
void invertColors(uint8_t* buffer, size_t count);
// The byte with its bit order reversed.
uint8_t invertHex(uint8_t byte);
// Reverses the byte order and the bit order: a 180-degree turn of a one-bit page.
void invertDirection(uint8_t* buffer, size_t count);

// Owning handle for C++ callers: frees the planes and the record.
struct KVImageDeleter {
    void operator()(KVImage* image) const;
};
using KVImagePtr = std::unique_ptr<KVImage, KVImageDeleter>;
