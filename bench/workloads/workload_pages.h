// The pages of the performance workloads, shared by the Google Benchmarks and
// the raster writer of tools/bench-compare.sh so both measure the same dots.
#pragma once

#include <cstdint>
#include <vector>

struct GreyPage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t resolution = 0;
    std::vector<uint8_t> grey;  // width x height, 0 black .. 255 white
};

// A 4 x 6 inch shipping label at 203 dpi (812 x 1218 dots): frame, rules,
// lines of small and large text with grey (anti-aliased) stroke edges, a
// barcode and a grey logo.
GreyPage shippingLabel();
// An A4 page at 300 dpi (2480 x 3508 dots): text columns above and below a
// photograph-like picture (smooth shading with fine texture).
GreyPage a4Page();
