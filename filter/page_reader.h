// Reading one raster page into memory, bounded by the printer's largest media:
// a page that doesn't fit is refused before anything is allocated, and the
// buffer grows with the rows actually read. The job's raster stream is read
// through RasterInput, which buffers it.
#pragma once

#include <cups/raster.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

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

// The page's bytes, malloc'ed so that realloc can grow them in place. One buffer serves every page of a job: emptied
// for the next page, it keeps its memory, so pages of the same size cost no
// allocation and no page faults.
class PageBuffer {
public:
    uint8_t* data() { return data_.get(); }
    size_t size() const { return size_; }
    // Holds `bytes` bytes, the new ones white; the capacity grows at least by
    // doubling but never beyond `limit`. False when memory runs out.
    bool grow(size_t bytes, size_t limit);
    // Holds no bytes; the memory stays for the next page.
    void clear() { size_ = 0; }

private:
    struct Free {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t, Free> data_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// One page in memory: rows of `stride` bytes, each padded with white to whole
// bytes of pixels (a multiple of 8 pixels). The page loop keeps one for the
// whole job; readPage lays out and fills it anew for each page.
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

// The job's CUPS raster stream, read from a file descriptor through a buffer of
// its own: libcups reads raw rows with one call to its reader per row, and a
// system call per row would cost more than the row. Neither copied nor moved:
// libcups holds its address.
class RasterInput {
public:
    explicit RasterInput(int fd);
    ~RasterInput();
    RasterInput(const RasterInput&) = delete;
    RasterInput& operator=(const RasterInput&) = delete;

    // The libcups stream; null when the input holds no raster stream.
    cups_raster_t* stream() const { return stream_; }

private:
    static constexpr size_t kBufferBytes = 64 * 1024;
    static ssize_t readBytes(void* context, unsigned char* bytes, size_t count);

    int fd_;
    std::vector<unsigned char> buffer_;
    size_t start_ = 0;  // the bytes read but not yet handed out
    size_t end_ = 0;
    cups_raster_t* stream_ = nullptr;
};

enum class ReadResult { Read, TooLarge, NoMemory };

// Lays the page out from its header (just read from the input) and, when it
// fits the settings' largest page, reads its rows; rows the stream doesn't
// hold stay white.
ReadResult readPage(const RasterInput& input, const cups_page_header2_t& header, const JobSettings* settings,
                    Page& page);
