// The rate-line test pattern: diagonal bands whose width follows a rate, a
// one-in-eight diagonal for 0.125, solid black from 1.0 up.
#include <vector>

#include "protocol/image_transfer.h"

namespace {

bool marked(uint32_t x, uint32_t y, double rate, int k) {
    if (rate == 0.125) return x % 8 == y % 8;
    const int a = static_cast<int>(y % 10), b = static_cast<int>(x % 10);
    return (a <= b && b < a + k) || (a > 10 - k && b < a + k - 10);
}

}  // namespace

extern "C" SendPack kvGetRateLinePack(uint32_t width, uint32_t height, double rate) {
    const uint64_t paddedWidth = (uint64_t{width} + 7) / 8 * 8;
    const uint64_t bytes = paddedWidth * height / 8;
    if (bytes == 0 || bytes > UINT32_MAX) return kvGetEmptyProtocolPack();
    std::vector<uint8_t> bitmap(bytes, 0);
    if (rate >= 1.0) {
        bitmap.assign(bytes, 0xFF);
        return kvSendPackFromBytes(bitmap);
    }
    // Negative or undefined rates mark nothing but the 0.125 case cannot apply.
    const int k = rate > 0 ? static_cast<int>(rate * 10) : 0;
    const size_t rowBytes = paddedWidth / 8;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < paddedWidth; ++x)
            if (marked(x, y, rate, k)) bitmap[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
    return kvSendPackFromBytes(bitmap);
}
