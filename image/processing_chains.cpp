// The general processing chain (cut, tone, sharpen, dither, pack) and its
// fixed A4 and A4 tattoo entry points.
#include "image/processing_chains.h"

#include <new>
#include <vector>

#include "base/debug_log.h"
#include "image/dither.h"
#include "image/tone.h"

namespace {

// The bands of one chain run: views of whole rows of the picture's own grey
// plane. Every stage works on its band in place and never beyond its rows, so
// the stages leave the picture's plane exactly as copies joined back would,
// without the two copies.
using Bands = std::vector<KVImage>;

bool makeBands(const KVImage* image, uint32_t flags, Bands& out) {
    if (flags & KVImageFlagCutImage) {
        kvPrintf("=======  切图  =======\n");
        return KVImageCutImageViews(image, out);
    }
    kvPrintf("=======  不切图  =======\n");
    KVImage whole{};
    whole.width = image->width;
    whole.height = image->height;
    whole.gray = image->gray;
    out.assign(1, whole);
    return true;
}

int32_t adjustBrightness(KVImage* band, uint32_t flags) {
    if (flags & KVImageFlagBrightnessContrastReduction)
        return static_cast<int32_t>(KVImageBrightnessContrastReduction(band));
    if ((flags & (KVImageFlagTextBrightnessReduce | KVImageFlagImageBrightnessIncrease)) == 0) return 0;
    const bool text = KVImageIsText(band) != 0;
    if (text && (flags & KVImageFlagTextBrightnessReduce)) return static_cast<int32_t>(KVImageBrightnessReduce(band));
    if (!text && (flags & KVImageFlagImageBrightnessIncrease))
        return static_cast<int32_t>(KVImageBrightnessIncrease(band));
    return 0;
}

using DitherFn = int32_t (*)(KVImage*, uint32_t, uint32_t);

// The first dither bit set, in order of precedence; null for none.
DitherFn chosenDither(uint32_t flags) {
    static constexpr struct {
        uint32_t flag;
        DitherFn fn;
    } kDithers[] = {
        {KVImageFlagFloydSteinberg, KVImageFloydSteinbergDither},
        {KVImageFlagAtkinson, KVImageAtkinsonDither},
        {KVImageFlagBurkes, KVImageBurkesDither},
        {KVImageFlagSierra, KVImageSierraDither},
        {KVImageFlagJarvisJudiceNinke, KVImageJarvisJudiceNinkeDither},
        {KVImageFlagOrderedBayer, KVImageOrderedBayerDither},
        {KVImageFlagRandom, KVImageRandomDither},
    };
    for (const auto& d : kDithers) {
        if (flags & d.flag) return d.fn;
    }
    return nullptr;
}

int32_t ditherBand(KVImage* band, const PrintSetting* setting, uint32_t flags) {
    const uint32_t direction = (flags & KVImageFlagSerpentine) ? 1 : 0;
    const uint32_t jitter = (flags & KVImageFlagRandomThreshold) ? 1 : 0;
    if ((flags & KVImageFlagTextImageDither) && KVImageIsText(band)) return KVImageTextImageDither(band);
    if (DitherFn dither = chosenDither(flags)) return dither(band, direction, jitter);
    return KVImageThresholding(band, setting->threshold);
}

// Stages 5 to 8 on every band: tattoo sharpening, brightness, unsharp mask, dither.
int32_t processBands(Bands& bands, const PrintSetting* setting, uint32_t flags) {
    int32_t result = 0;
    if (flags & KVImageFlagSharpenTattoo) {
        for (size_t i = 0; i < bands.size() && result == 0; ++i)
            result = static_cast<int32_t>(KVImageSharpenTattoo(&bands[i]));
    }
    if (result != 0) return result;
    kvPrintf("=======调节亮度=======\n");
    for (size_t i = 0; i < bands.size() && result == 0; ++i) result = adjustBrightness(&bands[i], flags);
    if (result != 0) return result;
    kvPrintf("=======锐化=======\n");
    if (flags & KVImageFlagSharpenNormal) {
        for (size_t i = 0; i < bands.size() && result == 0; ++i)
            result = KVImageSharpenNormal(&bands[i], setting->blurRadius, setting->sharpenAmount);
    }
    if (result != 0) return result;
    kvPrintf("=======图像算法=======\n");
    for (size_t i = 0; i < bands.size() && result == 0; ++i) result = ditherBand(&bands[i], setting, flags);
    return result;
}

}  // namespace

int32_t getKVImageProcessingForCustom(KVImage* image, const PrintSetting* setting, uint32_t flags) {
    if (image == nullptr || setting == nullptr || kvImagePixelCount(image->width, image->height) == 0 ||
        (image->rgba == nullptr && image->gray == nullptr))
        return 1;
    int32_t result = 0;
    if (image->width % 8 != 0 && (result = static_cast<int32_t>(fixKVImageWidthTo8Multiple(image))) != 0) return result;
    if (image->gray == nullptr && (result = KVImageConvertRGBA2Gray(image)) != 0) return result;
    try {
        Bands bands;
        if (!makeBands(image, flags, bands)) return 2;
        if ((result = processBands(bands, setting, flags)) != 0) return result;
    } catch (const std::bad_alloc&) {
        return 2;
    }
    if ((result = static_cast<int32_t>(KVImageGray2BinByte(image, setting))) != 0) return result;
    // A picture too small for the frame is simply left without it.
    if (flags & KVImageFlagTattooLine) KVImageAddTattooLine(image);
    if (setting->invert != 0) KVImageInvertColors(image);
    return 0;
}

int32_t getKVImageProcessingForA4(KVImage* image, const PrintSetting* setting) {
    return getKVImageProcessingForCustom(image, setting, KVImageFlagsA4);
}

int32_t getKVImageProcessingForA4Tattoo(KVImage* image, const PrintSetting* setting, uint32_t tattooLine) {
    const uint32_t flags = tattooLine == 1 ? (KVImageFlagsA4Tattoo | KVImageFlagTattooLine) : KVImageFlagsA4Tattoo;
    return getKVImageProcessingForCustom(image, setting, flags);
}
