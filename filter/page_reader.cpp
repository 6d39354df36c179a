// Raster page reading: the page's size checked against the printer's largest
// media, then its rows read into a buffer that grows with them: raw rows in
// bands straight into the page, compressed rows one at a time.
#include "filter/page_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "filter/debug_log.h"

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
uint64_t queueBytesPerPixel() { return static_cast<uint32_t>(devType) >= 192 ? 4 : 1; }

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

// Whether the page's rows read in bands land in the page exactly as read one
// row per call. libcups hands raw rows over as they come, so a band cut short
// holds what a row reader would have read. It decodes compressed rows, all but
// the last of a request, into a buffer of its own, and a row cut short there
// would be lost: compressed rows (buffered by libcups anyway) are read one at a
// time. So are rows longer than the stride (a band wouldn't fit) and rows of an
// odd length whose byte pairs libcups swaps (a band's pairs would straddle rows).
bool readsInBands(const RasterInput& input, const cups_page_header2_t& header, uint64_t stride) {
    const uint32_t bytesPerLine = header.cupsBytesPerLine;
    const bool swapsPairs = header.cupsBitsPerColor == 16 || header.cupsBitsPerPixel == 12 ||
                            header.cupsBitsPerPixel == 16;
    return !input.compressed() && bytesPerLine <= stride && !(swapsPairs && bytesPerLine % 2 != 0);
}

// The rows libcups hands out for the page: its height, or for a planar page the
// height times the colours, counted as libcups does (in 32 bits).
uint64_t rowsInStream(const cups_page_header2_t& header) {
    if (header.cupsColorOrder != CUPS_ORDER_PLANAR) return header.cupsHeight;
    return static_cast<uint32_t>(header.cupsHeight * header.cupsNumColors);
}

// Moves `count` rows read back to back at `band` to their places a stride
// apart, from the last to the first (a row's place lies at or after where it
// was read, so no row is overwritten before it moves), and makes the padding
// of each row white again.
void spreadRows(uint8_t* band, uint64_t count, uint64_t bytesPerLine, uint64_t stride) {
    for (uint64_t i = count; i-- > 1;) std::memmove(band + i * stride, band + i * bytesPerLine, bytesPerLine);
    for (uint64_t i = 0; i < count; ++i) std::memset(band + i * stride + bytesPerLine, 0xFF, stride - bytesPerLine);
}

// Reads bands of raw rows straight into the page, until the page is full or
// the stream ends; a band cut short is spread like a whole one. False when
// memory runs out.
bool readBands(cups_raster_t* ras, const cups_page_header2_t& header, uint64_t bandBytes, Page& page) {
    const uint64_t bytesPerLine = header.cupsBytesPerLine;
    const uint64_t rows = std::min(page.rows, rowsInStream(header));
    const uint64_t band = std::max<uint64_t>(1, bandBytes / page.stride);
    for (uint64_t r = 0; r < rows; r += band) {
        const uint64_t count = std::min(band, rows - r);
        if (!growTo(page, r + count)) return false;
        uint8_t* at = page.buffer.data() + r * page.stride;
        const auto want = static_cast<unsigned>(count * bytesPerLine);
        const bool whole = cupsRasterReadPixels(ras, at, want) == want;
        if (bytesPerLine < page.stride) spreadRows(at, count, bytesPerLine, page.stride);
        if (!whole) break;
    }
    return true;
}

// Reads the rows one per call, each cupsBytesPerLine long, until the page is
// full or the stream ends (a row longer than the stride, possible when
// cupsBytesPerLine is no multiple of the pixel size, is read whole and cut to
// the stride). False when memory runs out.
bool readRowByRow(cups_raster_t* ras, uint32_t bytesPerLine, Page& page) {
    std::vector<uint8_t> scratch(bytesPerLine > page.stride ? bytesPerLine : 0);
    for (uint64_t r = 0; r < page.rows; ++r) {
        if (!growTo(page, r + 1)) return false;
        uint8_t* row = page.buffer.data() + r * page.stride;
        uint8_t* target = scratch.empty() ? row : scratch.data();
        if (cupsRasterReadPixels(ras, target, bytesPerLine) == 0) break;
        if (!scratch.empty()) std::copy_n(scratch.begin(), page.stride, row);
    }
    return true;
}

// Reads the rows in order until the stream has no more; rows not read stay
// white, to the page's full height.
bool readRows(const RasterInput& input, const cups_page_header2_t& header, uint64_t bandBytes, Page& page) {
    page.buffer.clear();
    const bool read = readsInBands(input, header, page.stride)
                          ? readBands(input.stream(), header, bandBytes, page)
                          : readRowByRow(input.stream(), header.cupsBytesPerLine, page);
    return read && growTo(page, page.rows);
}

}  // namespace

// A page fits when its rows and pixels per row are within the largest media
// and its rows hold no more bytes than a row of that media in the queue's own
// colour space (a colour page sent to a grey queue is bounded by the bytes
// the queue's largest page takes).
ReadResult readPage(const RasterInput& input, const cups_page_header2_t& header, const JobSettings* s, Page& page,
                    uint64_t bandBytes) {
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
    return readRows(input, header, bandBytes, page) ? ReadResult::Read : ReadResult::NoMemory;
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

// The sync word comes first: libcups reads it while opening the stream.
RasterInput::RasterInput(int fd) : fd_(fd) {
    stream_ = cupsRasterOpenIO(&RasterInput::readBytes, this, CUPS_RASTER_READ);
    unsigned sync = 0;
    static_assert(sizeof sync == sizeof sync_);
    std::memcpy(&sync, sync_, sizeof sync);
    compressed_ = sync == CUPS_RASTER_SYNCv2 || sync == CUPS_RASTER_REVSYNCv2 || sync == CUPS_RASTER_SYNCapple ||
                  sync == CUPS_RASTER_REVSYNCapple;
}

RasterInput::~RasterInput() {
    if (stream_ != nullptr) cupsRasterClose(stream_);
}

// Reads as libcups' own file reader does (retrying on EINTR and EAGAIN), and
// keeps the stream's first four bytes.
ssize_t RasterInput::readBytes(void* context, unsigned char* buffer, size_t bytes) {
    auto* self = static_cast<RasterInput*>(context);
    ssize_t count = 0;
    while ((count = ::read(self->fd_, buffer, bytes)) < 0) {
        if (errno != EINTR && errno != EAGAIN) return -1;
    }
    const size_t kept = std::min(static_cast<size_t>(count), sizeof self->sync_ - self->syncBytes_);
    std::memcpy(self->sync_ + self->syncBytes_, buffer, kept);
    self->syncBytes_ += kept;
    return count;
}
