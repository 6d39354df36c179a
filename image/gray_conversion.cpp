// Colour to grey for the processing chains: the RGBA plane's luminance, with
// the A byte ignored.
#include <array>
#include <cstdlib>

#include "image/processing_chains.h"

namespace {

// Per-channel products, exactly as the per-pixel multiplication gives them.
struct LumaTables {
    std::array<float, 256> r{}, g{}, b{};
    LumaTables() {
        for (unsigned v = 0; v < 256; ++v) {
            r[v] = 0.2989f * static_cast<float>(v);
            g[v] = 0.587f * static_cast<float>(v);
            b[v] = 0.114f * static_cast<float>(v);
        }
    }
};

}  // namespace

int32_t KVImageConvertRGBA2Gray(KVImage* image) {
    if (image == nullptr || image->rgba == nullptr) return 1;
    const size_t pixels = kvImagePixelCount(image->width, image->height);
    if (pixels == 0) return 1;
    auto* gray = static_cast<uint8_t*>(std::malloc(pixels));
    if (gray == nullptr) return 2;
    static const LumaTables luma;
    const uint8_t* rgba = image->rgba;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = rgba + i * 4;
        const float value = luma.r[p[0]] + luma.g[p[1]] + luma.b[p[2]];
        const int grey = static_cast<int>(value);
        gray[i] = static_cast<uint8_t>(grey > 255 ? 255 : grey);
    }
    std::free(image->gray);
    image->gray = gray;
    return 0;
}
