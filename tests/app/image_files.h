// JPEG and PNG files for the tests' image jobs (libjpeg, libpng).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvapptest {

// Grey (channels 1) or RGB (channels 3) pixels, rows without gaps.
bool writeJpeg(const std::string& path, uint32_t width, uint32_t height, uint32_t channels,
               const std::vector<uint8_t>& pixels);
bool writePng(const std::string& path, uint32_t width, uint32_t height, uint32_t channels,
              const std::vector<uint8_t>& pixels);

}  // namespace kvapptest
