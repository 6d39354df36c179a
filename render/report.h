// The renderer's findings as text for people: language, pages with their
// size, settings, graphics and marks, job-level facts, and the damage.
#pragma once

#include <string>
#include <vector>

#include "render/render.h"

namespace kvrender {

// One line per finding, e.g. "page 1: 812 x 1218 dots", "  darkness: 8".
// pictureNames, when given, names the picture written for each page.
std::string describe(const Result& result, const std::vector<std::string>& pictureNames = {});

}  // namespace kvrender
