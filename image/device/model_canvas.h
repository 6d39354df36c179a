// The page canvases of the portable device models: each function zooms the
// grey page to the model's print width and places it on a white canvas of the
// model's geometry (top margins, centring, the tattoo model's mirror image).
//
// Every function returns a new canvas (caller frees with free()) and stores
// its width and height in *outW and *outH. A page the model can't take
// (smaller than the model's margins, or empty) or a failed allocation returns
// null with both sizes 0 and a line in the diagnostic log; the device print
// job then skips the page.
#pragma once

#include <cstdint>

// LM50 (device type 0) and L60 (2): at most 2592 dots wide, top 24 rows white.
uint8_t* driveBitmapZoomToLM50(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH);
uint8_t* driveBitmapZoomToL60(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH);
// L50 (1): 1664 dots wide; needs more than 207 rows.
uint8_t* driveBitmapZoomToL50(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH);
// L50C for ordinary labels (6): as L50 with the L50C feed factor.
uint8_t* driveBitmapZoomToL50C_Normal(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH);
// L50B (3): 2496 dots wide.
uint8_t* driveBitmapZoomToL50B(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH);
// L50C for tattoo transfers (4): 1664 dots wide, mirrored left to right.
uint8_t* driveBitmapZoomToL50C_Tattoo(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH);
// L60B (5): min(width - 79, 1646) dots wide; needs more than 79 dots.
uint8_t* driveBitmapZoomToL60B(const uint8_t* src, uint32_t srcW, uint32_t srcH, uint32_t* outW, uint32_t* outH);
