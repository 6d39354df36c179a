// Pages and settings for the renderer tests: a grey test page with ink in its
// first and last rows, the job settings a PPD would give, the one-bit page the
// row conversion makes of it, and a comparison of a rendered plane with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/dynamic_array.h"
#include "languages/job_settings.h"
#include "render/render.h"

namespace kvrtest {

struct GreyPage {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> grey;  // 0 black .. 255 white
};

// width x height: a frame, a gradient band, a black block and stripes.
GreyPage testPage(uint32_t width, uint32_t height);
// Settings as a 203-dpi label PPD gives them, sized for the page.
JobSettings labelSettings(const GreyPage& page, int16_t printMode, int16_t compressed);
// Gray2Bytes of the page (rows of width / 8 bytes, 1 = dot).
std::vector<uint8_t> oneBitPage(const GreyPage& page, int16_t printMode);
// "" when the plane holds exactly `bits` (rows of bytesWidth bytes) at (0, 0)
// and nothing else; otherwise the first difference.
std::string compareAtOrigin(const kvrender::Plane& plane, const std::vector<uint8_t>& bits, uint32_t width,
                            uint32_t height);
// The array's bytes, the array freed.
std::vector<uint8_t> take(DynamicArray* array);

}  // namespace kvrtest
