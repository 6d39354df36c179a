// What every decoder shares: the cursor, the caller's options, the result that
// collects pages, the dot budget that keeps a small damaged stream from asking
// for gigabytes, and drawing one-bit rows onto a page.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "render/byte_cursor.h"
#include "render/render.h"

namespace kvrender {

struct DecodeContext {
    ByteCursor& in;
    const Options& options;
    Result& result;
    uint64_t dotsUsed = 0;

    // A blank plane of width x height, counted against the budgets; fails
    // (at byte `at`) naming `what` when the picture is too large.
    Plane newPlane(uint32_t width, uint32_t height, size_t at, const std::string& what);
    // Checks that a block of `dots` dots may be decoded at all (same limits).
    void checkDots(uint64_t dots, size_t at, const std::string& what) const;
};

// Draws rows of `bytesWidth` bytes (`rows` of them) onto the plane with the
// top left dot at (x, y). `zeroPrints`: a 0 bit is a dot (TSPL), else a 1 bit.
// Dots falling outside the plane are counted, not drawn; returns their number.
uint64_t drawRows(Plane& plane, int64_t x, int64_t y, std::span<const uint8_t> data, uint64_t bytesWidth, uint64_t rows,
                  bool zeroPrints);

// The setting's value on the page, replacing an earlier one of the same name.
void setSetting(Page& page, const std::string& name, const std::string& value);

}  // namespace kvrender
