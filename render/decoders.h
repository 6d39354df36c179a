// The decoders of the renderer, one per printer language; each reads the whole
// stream from the context's cursor and appends pages to its result, throwing
// DecodeError at damage.
#pragma once

#include <string>
#include <string_view>

#include "render/canvas.h"

namespace kvrender {

void decodeTspl(DecodeContext& ctx);
void decodeZpl(DecodeContext& ctx);
void decodeCpcl(DecodeContext& ctx);
void decodeEscPos(DecodeContext& ctx);
void decodeDeviceFrames(DecodeContext& ctx);

// Two-colour TSPL: "SETCOLOR BLACK" / "SETCOLOR RED n" choose the plane the
// following bitmaps go to (the red plane is made on first use). `at` is the
// offset of the line, for messages.
Plane& tsplSelectColour(DecodeContext& ctx, Page& page, std::string_view argument, size_t at);

// Counts bitmaps of one kind for the page's graphics summary.
struct GraphicTally {
    std::string kind;  // "raw", "zlib", "hex", "Z64", "binary"
    uint64_t count = 0;
    uint64_t rows = 0;
    uint64_t widthDots = 0;
    int64_t x = 0, y = 0;  // position of the first one
    void add(const std::string& what, int64_t atX, int64_t atY, uint64_t width, uint64_t addRows);
    // Appends "<name> at x,y: W x H dots, <kind>[, n strips]" to the page and resets.
    void flush(Page& page, const std::string& name);
};

}  // namespace kvrender
