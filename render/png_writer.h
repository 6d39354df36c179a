// PNG pictures of rendered pages, written into memory through libpng: one
// bit per dot for black-only pages, a small palette when the page has red ink
// or marks (feeds and cuts are drawn in blue, beside the ink, never over it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/render.h"

namespace kvrender {

// The PNG file bytes of the page; empty with `error` set on failure. A page
// without dots (0 x 0) gives a 1 x 1 white picture.
std::vector<uint8_t> encodePng(const Page& page, std::string& error);

}  // namespace kvrender
