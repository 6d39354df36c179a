// Cutting a one-bit page into horizontal strips that stay under the printer's
// raw and compressed size limits, and sending them zlib-compressed: as TSPL
// BITMAP mode 3 commands or as ZPL ^GFA fields in the Z64 form.
#pragma once

#include <cstdint>

#include "base/dynamic_array.h"
#include "languages/job_settings.h"

// Page bytes of the next strip, starting at src (the first unsent row) with
// `height` rows left. dst is the work buffer; *dstLen is its capacity on entry
// and the compressed length of the accepted strip (its bytes in dst) on return,
// or 0 when zlib failed. A strip is never cut below one row: a single row that
// exceeds a limit is accepted as it is, so the page always ends.
uint64_t getCutImageLength(uint64_t width, uint64_t height, const uint8_t* src, uint8_t* dst, uint64_t* dstLen,
                           const JobSettings* settings);
// Appends the page as compressed TSPL strips. `bits` holds TSPL data (0 prints).
void TSPL_Zlib_CutImage(DynamicArray* out, uint64_t width, uint64_t height, uint64_t bytesWidth, const uint8_t* bits,
                        const JobSettings* settings);
// Appends the page as Z64 ZPL strips. `bits` holds ZPL data (1 prints).
void ZPL_Zlib_CutImage(DynamicArray* out, uint64_t width, uint64_t height, uint64_t bytesWidth, const uint8_t* bits,
                       const JobSettings* settings);

// The uncompressed forms, also used when compression can't be done.
// TSPL: "BITMAP x,y,bytesWidth,rows,0," then the bytes and CR LF.
void appendTsplRawBitmap(DynamicArray* out, int64_t x, int64_t y, uint64_t bytesWidth, uint64_t rows,
                         const uint8_t* bits);
// ZPL: "^FOx,y,0" CR LF, "^GFA,n,n,bytesWidth," then the bytes in hexadecimal and CR LF.
void appendZplHexField(DynamicArray* out, int64_t x, int64_t y, uint64_t bytesWidth, uint64_t rows,
                       const uint8_t* bits);
