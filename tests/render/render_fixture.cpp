// Test pages, settings and plane comparison for the renderer tests; the
// generators' log goes to a scratch folder.
#include "tests/render/render_fixture.h"

#include <gtest/gtest.h>

#include <memory>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "image/gray2bytes.h"
#include "tests/toolkit/toolkit.h"

namespace kvrtest {

GreyPage testPage(uint32_t width, uint32_t height) {
    GreyPage p{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height, 255)};
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t v = 255;
            if (y == 0 || y + 1 == height || x == 1 || x + 3 == width)
                v = 0;  // frame
            else if (y < height / 3)
                v = static_cast<uint8_t>(x * 255 / width);  // gradient
            else if (y < height / 2 && x > width / 4 && x < width / 2)
                v = 30;  // block
            else if ((x / 3 + y / 5) % 4 == 0)
                v = 90;  // stripes
            p.grey[static_cast<size_t>(y) * width + x] = v;
        }
    }
    return p;
}

JobSettings labelSettings(const GreyPage& page, int16_t printMode, int16_t compressed) {
    JobSettings s{};
    s.copies = 1;
    s.resolution = 203;
    s.widthMM = static_cast<int32_t>(page.width * 25.4 / 203);
    s.heightMM = static_cast<int32_t>(page.height * 25.4 / 203);
    s.darkness = 8;
    s.printSpeed = 4;
    s.mediaTracking = 1;
    s.printMode = printMode;
    s.isCompressie = compressed;
    s.maxWidthMM = -1;
    s.noCompressie = 300000;
    s.compressie = 64000;
    s.cutting = 1;
    s.feedDist = 1;
    return s;
}

std::vector<uint8_t> oneBitPage(const GreyPage& page, int16_t printMode) {
    std::vector<uint8_t> bits(static_cast<size_t>(page.width / 8) * page.height, 0);
    Gray2Bytes(page.grey.data(), bits.data(), page.width / 8, page.height, printMode);
    return bits;
}

std::string compareAtOrigin(const kvrender::Plane& plane, const std::vector<uint8_t>& bits, uint32_t width,
                            uint32_t height) {
    if (plane.width < width || plane.height < height)
        return "plane " + std::to_string(plane.width) + " x " + std::to_string(plane.height) + " is smaller than " +
               std::to_string(width) + " x " + std::to_string(height);
    for (uint32_t y = 0; y < plane.height; ++y) {
        for (uint32_t x = 0; x < plane.width; ++x) {
            const bool want = x < width && y < height && (bits[y * (width / 8) + x / 8] & (0x80u >> (x % 8))) != 0;
            if (plane.dot(x, y) != want)
                return "dot " + std::to_string(x) + "," + std::to_string(y) + (want ? " missing" : " extra");
        }
    }
    return "";
}

std::vector<uint8_t> take(DynamicArray* array) {
    DynamicArrayPtr owned(array);
    if (!owned) return {};
    return {owned->data, owned->data + owned->size};
}

namespace {

class QuietLogEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = std::make_unique<kvtest::TempDir>();
        setDebugLogDirectory(dir_->path().c_str());
    }
    void TearDown() override {
        closeDebugLog();
        dir_.reset();
    }

private:
    std::unique_ptr<kvtest::TempDir> dir_;
};

const auto* const kQuietLogs = ::testing::AddGlobalTestEnvironment(new QuietLogEnvironment);

}  // namespace
}  // namespace kvrtest
