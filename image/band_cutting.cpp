// Cutting a picture into horizontal bands of white rows and of data rows, so
// that the chain can judge and treat every run of content on its own.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/debug_log.h"
#include "image/processing_chains.h"

namespace {

struct BandRun {
    uint32_t first;
    uint32_t last;
    bool white;
};

std::vector<BandRun> findRuns(const KVImage* image) {
    std::vector<BandRun> runs;
    const size_t width = image->width;
    uint32_t start = 0;
    bool state = isWhiteLine(image->gray, image->width) != 0;
    for (uint32_t y = 1; y < image->height; ++y) {
        const bool white = isWhiteLine(image->gray + y * width, image->width) != 0;
        if (white == state) continue;
        const auto index = static_cast<int>(runs.size());
        const int first = static_cast<int>(start), last = static_cast<int>(y - 1);
        if (state) {
            kvPrintf("%d - 填白：%d - %d,Height: %d\n", index, first, last, last - first + 1);
        } else {
            kvPrintf("%d - 数据：%d - %d,Height: %d\n", index, first, last, last - first + 1);
        }
        runs.push_back({start, y - 1, state});
        start = y;
        state = white;
    }
    runs.push_back({start, image->height - 1, state});
    return runs;
}

bool anyWhiteLine(const KVImage* image) {
    for (uint32_t y = 0; y < image->height; ++y) {
        if (isWhiteLine(image->gray + static_cast<size_t>(y) * image->width, image->width)) return true;
    }
    return false;
}

KVImage* singleBand(const KVImage* image, uint32_t* count) {
    kvPrintf("无法切图：图片整体\n");
    KVImagePtr copy(deepCopyKVImage(image));
    auto* array = static_cast<KVImage*>(std::malloc(sizeof(KVImage)));
    if (!copy || array == nullptr) {
        std::free(array);
        return nullptr;
    }
    *array = *copy;
    std::free(copy.release());
    *count = 1;
    return array;
}

}  // namespace

int32_t isWhiteLine(const uint8_t* row, uint32_t width) {
    if (row == nullptr) return 0;
    for (uint32_t x = 0; x < width; ++x) {
        if (row[x] <= 252) return 0;
    }
    return 1;
}

bool KVImageCutImageViews(const KVImage* image, std::vector<KVImage>& views) {
    views.clear();
    if (image == nullptr || image->gray == nullptr || kvImagePixelCount(image->width, image->height) == 0) return false;
    std::vector<BandRun> runs;
    if (!anyWhiteLine(image)) {
        kvPrintf("无法切图：图片整体\n");
        runs.push_back({0, image->height - 1, false});
    } else {
        runs = findRuns(image);
    }
    const size_t width = image->width;
    for (const BandRun& run : runs) {
        KVImage band{};
        band.width = image->width;
        band.height = run.last - run.first + 1;
        band.gray = image->gray + run.first * width;
        views.push_back(band);
    }
    return true;
}

KVImage* KVImageCutImage(const KVImage* image, uint32_t* count) {
    if (count != nullptr) *count = 0;
    if (count == nullptr || image == nullptr || image->gray == nullptr ||
        kvImagePixelCount(image->width, image->height) == 0)
        return nullptr;
    if (!anyWhiteLine(image)) return singleBand(image, count);
    std::vector<BandRun> runs;
    try {
        runs = findRuns(image);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    auto* bands = static_cast<KVImage*>(std::calloc(runs.size(), sizeof(KVImage)));
    if (bands == nullptr) return nullptr;
    const size_t width = image->width;
    for (size_t i = 0; i < runs.size(); ++i) {
        const uint32_t rows = runs[i].last - runs[i].first + 1;
        bands[i].width = image->width;
        bands[i].height = rows;
        bands[i].gray = static_cast<uint8_t*>(std::malloc(width * rows));
        if (bands[i].gray == nullptr) {
            freeKVImageDataArray(bands, static_cast<uint32_t>(i));
            return nullptr;
        }
        std::memcpy(bands[i].gray, image->gray + runs[i].first * width, width * rows);
    }
    *count = static_cast<uint32_t>(runs.size());
    return bands;
}
