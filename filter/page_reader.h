// Reading one raster page into memory, bounded by the printer's largest media:
// a page that doesn't fit is refused before anything is allocated, and the
// buffer grows with the rows actually read.
#pragma once

#include <cups/raster.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "languages/job_settings.h"

// The largest page the filter reads, in dots: pixels per row (cupsBytesPerLine
// over the bytes per pixel) and rows. The printer's largest media with slack
// for rounding, or 2560 x 12000 when the settings name no media. A row may
// also hold no more bytes than such a row in the queue's colour space (RGBA
// for the two-colour languages, grey for the others).
struct PageLimit {
    uint64_t width;
    uint64_t height;
};
PageLimit largestPage(const JobSettings* settings);

// The page's bytes: malloc'ed so that growing a large buffer moves no bytes
// (realloc remaps its pages).
class PageBuffer {
public:
    uint8_t* data() { return data_.get(); }
    size_t size() const { return size_; }
    // Holds `bytes` bytes, the new ones white; the capacity grows at least by
    // doubling but never beyond `limit`. False when memory runs out.
    bool grow(size_t bytes, size_t limit);

private:
    struct Free {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t, Free> data_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// One page in memory: rows of `stride` bytes, each padded with white to whole
// bytes of pixels (a multiple of 8 pixels).
struct Page {
    PageBuffer buffer;
    uint64_t stride = 0;
    uint32_t channels = 1;  // bytes per pixel: 3 RGB, 4 RGBA, 1 any other colour space
    uint64_t pixels = 0;    // pixels per row the stream holds (cupsBytesPerLine / channels)
    uint64_t rows = 0;      // cupsHeight
    int64_t width = 0;      // pixels per row as the generators see them (set by the page loop)
    uint64_t height = 0;
    uint32_t space = CUPS_CSPACE_W;
};

// The header's colour space as a number: a stream may hold any value there,
// not only those the enumeration names.
uint32_t colorSpaceOf(const cups_page_header2_t& header);

enum class ReadResult { Read, TooLarge, NoMemory };

// Lays the page out from its header and, when it fits the settings' largest
// page, reads its rows; rows the stream doesn't hold stay white.
ReadResult readPage(cups_raster_t* ras, const cups_page_header2_t& header, const JobSettings* settings, Page& page);
