// The test label: the printer's name, its darkness and speed, a Code 39
// barcode and a grey ramp, drawn as a grey page at the printer's resolution
// and media size and written as a PWG raster file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvapp {

struct TestLabelInfo {
    std::string model;  // printer-make-and-model
    int dpi = 203;
    int widthHmm = 5000;  // media size, hundredths of millimetres
    int lengthHmm = 3000;
    int darkness = -1;  // printer-native values; -1 when the kind has none
    int speed = -1;
};

struct GreyPage {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;  // 0 black, 255 white
};

GreyPage drawTestLabel(const TestLabelInfo& info);
// Writes the label as a one-page sgray_8 PWG raster file; false on failure.
bool writeTestLabel(const TestLabelInfo& info, const std::string& path);

}  // namespace kvapp
