// Raster page reading: the page's size checked against the printer's largest
// media, then its rows read in bands (or row by row) into a buffer that grows
// with them.
#include "filter/page_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/debug_log.h"
#include "filter/settings_reader.h"
#include "languages/drivers.h"

namespace {

// Without media sizes from a PPD the largest page is 2560 x 12000 dots: a
// 216 mm wide, 1 m long page at 300 dpi, the largest any of the driver's own
// PPDs allows. A page beyond the bound is refused like a failed allocation.
constexpr uint64_t kUnknownMediaWidthDots = 2560;
constexpr uint64_t kUnknownMediaHeightDots = 12000;
// Bytes asked of the raster stream at a time when whole bands of rows can be
// read straight into the page.
constexpr uint64_t kBandBytes = 256 * 1024;

uint32_t channelsOf(uint32_t space) {
    switch (space) {
        case CUPS_CSPACE_RGB: return 3;
        case CUPS_CSPACE_RGBA: return 4;
        default: return 1;
    }
}

// Bytes per pixel of the pages the queue is made for: RGBA for the two-colour
// languages, grey for everything else.
uint64_t queueBytesPerPixel() { return driverFor(devType).colours == PageColours::Rgba ? 4 : 1; }

// Rows are padded to whole bytes of pixels. Sizes are 64-bit so no header can
// make them wrap.
void layOut(const cups_page_header2_t& header, Page& page) {
    page.space = colorSpaceOf(header);
    page.channels = channelsOf(page.space);
    page.pixels = header.cupsBytesPerLine / page.channels;
    page.stride = (page.pixels + 7) / 8 * 8 * page.channels;
    page.rows = header.cupsHeight;
}

// Makes the buffer hold `rows` rows, new rows white. The capacity grows with
// the rows read, never beyond the whole page.
bool growTo(Page& page, uint64_t rows) { return page.buffer.grow(rows * page.stride, page.rows * page.stride); }

// Reads the rows in order until the stream has no more; rows not read stay
// white. When a row is exactly a stride long, whole bands of rows are read per
// call; otherwise row by row, each cupsBytesPerLine long (a row longer than the
// stride, possible when cupsBytesPerLine is no multiple of the pixel size, is
// read whole and cut to the stride).
bool readRows(cups_raster_t* ras, uint32_t bytesPerLine, Page& page) {
    const bool banded = bytesPerLine == page.stride;
    const uint64_t band = banded ? std::max<uint64_t>(1, kBandBytes / page.stride) : 1;
    std::vector<uint8_t> scratch(bytesPerLine > page.stride ? bytesPerLine : 0);
    for (uint64_t r = 0; r < page.rows;) {
        const uint64_t count = std::min(band, page.rows - r);
        if (!growTo(page, r + count)) return false;
        uint8_t* row = page.buffer.data() + r * page.stride;
        if (banded) {
            const auto want = static_cast<unsigned>(count * bytesPerLine);
            if (cupsRasterReadPixels(ras, row, want) < want) break;
        } else {
            uint8_t* target = scratch.empty() ? row : scratch.data();
            if (cupsRasterReadPixels(ras, target, bytesPerLine) == 0) break;
            if (!scratch.empty()) std::copy_n(scratch.begin(), page.stride, row);
        }
        r += count;
    }
    return growTo(page, page.rows);
}

}  // namespace

// A page fits when its rows and pixels per row are within the largest media
// and its rows hold no more bytes than a row of that media in the queue's own
// colour space (a colour page sent to a grey queue is bounded by the bytes
// the queue's largest page takes).
ReadResult readPage(cups_raster_t* ras, const cups_page_header2_t& header, const JobSettings* s, Page& page) {
    layOut(header, page);
    const PageLimit bound = largestPage(s);
    const bool fits = page.pixels <= bound.width && page.rows <= bound.height &&
                      page.pixels * page.channels <= bound.width * queueBytesPerPixel();
    if (!fits) {
        writeLogString("page of %lu x %lu dots is larger than the largest media (%lu x %lu dots)",
                       static_cast<unsigned long>(page.pixels), static_cast<unsigned long>(page.rows),
                       static_cast<unsigned long>(bound.width), static_cast<unsigned long>(bound.height));
        return ReadResult::TooLarge;
    }
    return readRows(ras, header.cupsBytesPerLine, page) ? ReadResult::Read : ReadResult::NoMemory;
}

PageLimit largestPage(const JobSettings* settings) {
    if (settings->mediaMaxWidthDots <= 0 || settings->mediaMaxHeightDots <= 0) {
        return {kUnknownMediaWidthDots, kUnknownMediaHeightDots};
    }
    // Slack for the rounding of the CUPS chain's renderers: 1/32 and 8 dots.
    const auto w = static_cast<uint64_t>(settings->mediaMaxWidthDots);
    const auto h = static_cast<uint64_t>(settings->mediaMaxHeightDots);
    return {w + w / 32 + 8, h + h / 32 + 8};
}

// The header's colour space as a number: a stream may hold any value there,
// not only those the enumeration names.
uint32_t colorSpaceOf(const cups_page_header2_t& header) {
    uint32_t space = 0;
    static_assert(sizeof header.cupsColorSpace == sizeof space);
    std::memcpy(&space, &header.cupsColorSpace, sizeof space);
    return space;
}

bool PageBuffer::grow(size_t bytes, size_t limit) {
    if (bytes > capacity_) {
        const size_t capacity = std::min(std::max(bytes, 2 * capacity_), std::max(bytes, limit));
        void* moved = std::realloc(data_.get(), capacity);
        if (moved == nullptr) return false;
        data_.release();
        data_.reset(static_cast<uint8_t*>(moved));
        capacity_ = capacity;
    }
    if (bytes > size_) std::memset(data_.get() + size_, 0xFF, bytes - size_);
    size_ = bytes;
    return true;
}
