// Raster page reading: the page's size checked against the printer's largest
// media, then its rows read one at a time into a buffer that grows with them
// and is kept from page to page; the raster stream read through a buffer.
#include "filter/page_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

// Reads the rows one per call, each cupsBytesPerLine long, until the page is
// full or the stream ends; rows not read stay white, to the page's full height.
// Each row is made white before it is read, so a row cut short keeps what
// libcups gave of it. A row longer than the stride (possible when
// cupsBytesPerLine is no multiple of the pixel size) is read whole and cut to
// the stride. False when memory runs out.
bool readRows(cups_raster_t* ras, uint32_t bytesPerLine, Page& page) {
    page.buffer.clear();
    std::vector<uint8_t> scratch(bytesPerLine > page.stride ? bytesPerLine : 0);
    for (uint64_t r = 0; r < page.rows; ++r) {
        if (!growTo(page, r + 1)) return false;
        uint8_t* row = page.buffer.data() + r * page.stride;
        uint8_t* target = scratch.empty() ? row : scratch.data();
        if (cupsRasterReadPixels(ras, target, bytesPerLine) == 0) break;
        if (!scratch.empty()) std::copy_n(scratch.begin(), page.stride, row);
    }
    return growTo(page, page.rows);
}

}  // namespace

// A page fits when its rows and pixels per row are within the largest media
// and its rows hold no more bytes than a row of that media in the queue's own
// colour space (a colour page sent to a grey queue is bounded by the bytes
// the queue's largest page takes).
ReadResult readPage(const RasterInput& input, const cups_page_header2_t& header, const JobSettings* s, Page& page) {
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
    return readRows(input.stream(), header.cupsBytesPerLine, page) ? ReadResult::Read : ReadResult::NoMemory;
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

// The stream is read as libcups' own cupsRasterOpen reads a file descriptor,
// but through the input's buffer.
RasterInput::RasterInput(int fd) : fd_(fd), buffer_(kBufferBytes) {
    stream_ = cupsRasterOpenIO(&RasterInput::readBytes, this, CUPS_RASTER_READ);
}

RasterInput::~RasterInput() {
    if (stream_ != nullptr) cupsRasterClose(stream_);
}

// Hands out what the buffer holds, refilled with one read when empty; a request
// at least as large as the buffer is read directly. Retries on EINTR and
// EAGAIN, as libcups' own reader does.
ssize_t RasterInput::readBytes(void* context, unsigned char* bytes, size_t count) {
    auto* self = static_cast<RasterInput*>(context);
    if (self->start_ == self->end_) {
        const bool direct = count >= self->buffer_.size();
        unsigned char* into = direct ? bytes : self->buffer_.data();
        ssize_t got = 0;
        while ((got = ::read(self->fd_, into, direct ? count : self->buffer_.size())) < 0) {
            if (errno != EINTR && errno != EAGAIN) return -1;
        }
        if (direct || got == 0) return got;
        self->start_ = 0;
        self->end_ = static_cast<size_t>(got);
    }
    const size_t handed = std::min(count, self->end_ - self->start_);
    std::memcpy(bytes, self->buffer_.data() + self->start_, handed);
    self->start_ += handed;
    return static_cast<ssize_t>(handed);
}
