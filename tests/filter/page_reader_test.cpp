// The page reader in process: whatever way it reads a page's rows (raw rows in
// bands straight into the page, compressed rows one at a time), the page it
// returns is the one a reader of one row per call through libcups' own stream
// gets, for whole streams and for streams cut at every byte; and one page
// buffer serves a whole job.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "filter/job_settings.h"
#include "filter/page_reader.h"
#include "tests/toolkit/toolkit.h"

using kvtest::RasterPage;

namespace {

using Pages = std::vector<std::vector<uint8_t>>;

// A file descriptor holding the bytes, read from their start.
class MemoryFile {
public:
    explicit MemoryFile(const std::string& bytes) : fd_(memfd_create("raster", 0)) {
        if (fd_ < 0 || write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
            lseek(fd_, 0, SEEK_SET) != 0) {
            ADD_FAILURE() << "memory file";
        }
    }
    ~MemoryFile() { close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Every page of the stream as a reader of one row per call sees it: each row
// read into its place in a white page (a row longer than the stride into a row
// of its own, kept only when whole and cut to the stride), up to the first row
// the stream doesn't give.
Pages readOneRowPerCall(const std::string& stream) {
    const MemoryFile file(stream);
    cups_raster_t* ras = cupsRasterOpen(file.fd(), CUPS_RASTER_READ);
    Pages pages;
    cups_page_header2_t h;
    while (ras != nullptr && cupsRasterReadHeader2(ras, &h)) {
        const uint32_t channels = h.cupsColorSpace == CUPS_CSPACE_RGB ? 3 : h.cupsColorSpace == CUPS_CSPACE_RGBA ? 4 : 1;
        const uint64_t stride = (h.cupsBytesPerLine / channels + 7) / 8 * 8 * channels;
        std::vector<uint8_t>& page = pages.emplace_back(h.cupsHeight * stride, 0xFF);
        std::vector<uint8_t> longRow(h.cupsBytesPerLine > stride ? h.cupsBytesPerLine : 0);
        for (uint64_t y = 0; y < h.cupsHeight; ++y) {
            uint8_t* row = page.data() + y * stride;
            if (cupsRasterReadPixels(ras, longRow.empty() ? row : longRow.data(), h.cupsBytesPerLine) == 0) break;
            if (!longRow.empty()) std::copy_n(longRow.begin(), stride, row);
        }
    }
    if (ras != nullptr) cupsRasterClose(ras);
    return pages;
}

// Every page of the stream as the page reader returns it, one Page for all.
Pages readWithPageReader(const std::string& stream, uint64_t bandBytes) {
    const MemoryFile file(stream);
    const RasterInput input(file.fd());
    JobSettings settings{};  // no media: the reader's own cap
    Page page;
    Pages pages;
    cups_page_header2_t h;
    while (input.stream() != nullptr && cupsRasterReadHeader2(input.stream(), &h)) {
        if (readPage(input, h, &settings, page, bandBytes) != ReadResult::Read) {
            ADD_FAILURE() << "page not read";
            break;
        }
        pages.emplace_back(page.buffer.data(), page.buffer.data() + page.buffer.size());
    }
    return pages;
}

// Rows of runs, repeats and noise, a few rows equal to the one before (libcups
// compresses those as repeated rows); `salt` makes another page of the shape.
std::vector<uint8_t> patternRows(uint32_t bytesPerLine, uint32_t rows, uint32_t salt) {
    std::vector<uint8_t> data(static_cast<size_t>(bytesPerLine) * rows);
    for (uint32_t y = 0; y < rows; ++y) {
        for (uint32_t x = 0; x < bytesPerLine; ++x) {
            const uint32_t v = y % 4 == 2 ? y - 1 : y;
            data[y * bytesPerLine + x] = (x / 5 + v + salt) % 3 == 0 ? 0 : static_cast<uint8_t>(x * 37 + v * 11 + salt);
        }
    }
    return data;
}

// The two pages of the stream as libcups writes them in the other byte order:
// the sync word and the header words swapped, raw rows as they are.
std::string otherByteOrder(std::string stream, uint64_t pageBytes) {
    stream.replace(0, 4, "RaS3");
    for (size_t header = 4; header < stream.size(); header += sizeof(cups_page_header2_t) + pageBytes) {
        for (size_t at = header + 256; at < header + 256 + 4 * 81; at += 4) {
            std::swap(stream[at], stream[at + 3]);
            std::swap(stream[at + 1], stream[at + 2]);
        }
    }
    return stream;
}

// The two pages written by libcups in the PWG or the Apple raster form.
std::string writtenAs(cups_mode_t mode, const std::vector<RasterPage>& pages) {
    std::string bytes;
    const cups_raster_iocb_t append = [](void* context, unsigned char* data, size_t size) -> ssize_t {
        static_cast<std::string*>(context)->append(reinterpret_cast<const char*>(data), size);
        return static_cast<ssize_t>(size);
    };
    cups_raster_t* ras = cupsRasterOpenIO(append, &bytes, mode);
    for (const RasterPage& page : pages) {
        cups_page_header2_t h = kvtest::headerFor(page);
        h.cupsColorSpace = CUPS_CSPACE_SW;
        std::strcpy(h.MediaType, "stationery");
        cupsRasterWriteHeader2(ras, &h);
        for (uint32_t y = 0; y < h.cupsHeight; ++y) {
            cupsRasterWritePixels(ras, const_cast<uint8_t*>(page.data.data()) + y * h.cupsBytesPerLine,
                                  h.cupsBytesPerLine);
        }
    }
    cupsRasterClose(ras);
    return bytes;
}

enum class Form { Raw, Compressed, RawOtherByteOrder, Pwg, Apple };

struct Shape {
    const char* name;
    RasterPage page;  // rows filled in by the test
    size_t pages = 2;
};

RasterPage shapedPage(cups_cspace_t space, uint32_t width, uint32_t bitsPerColor,
                      std::function<void(cups_page_header2_t&)> patch = {}) {
    return {.space = space, .width = width, .height = 11, .bitsPerColor = bitsPerColor,
            .patchHeader = std::move(patch)};
}

// Two pages of each shape (the second of other rows, so rows left over from the
// first page would show), in each stream form; bands of a few rows. Cut at
// every byte, the stream ends in headers, in bands, in rows and in compressed
// runs.
TEST(PageReaderTest, EveryStreamCutAnywhereReadsAsOneRowPerCall) {
    const Shape shapes[] = {
        {"grey, rows shorter than the stride", shapedPage(CUPS_CSPACE_W, 61, 8)},
        {"grey, rows of the stride", shapedPage(CUPS_CSPACE_W, 64, 8)},
        // 66 dots of 3 bits: 25 bytes, 8 whole RGB pixels (24 bytes) and a part.
        {"1-bit RGB, rows longer than the stride", shapedPage(CUPS_CSPACE_RGB, 66, 1)},
        // libcups hands out height x colours rows of a planar page, here 7 (in 32
        // bits); the rows it leaves make no next header.
        {"planar, fewer rows handed out than the height",
         shapedPage(CUPS_CSPACE_W, 16, 8,
                    [](cups_page_header2_t& h) {
                        h.cupsColorOrder = CUPS_ORDER_PLANAR;
                        h.cupsNumColors = 390451573;
                    }),
         1},
        // 5-byte rows whose byte pairs libcups swaps in the other byte order.
        {"banded 12-bit RGB, rows of an odd length",
         shapedPage(CUPS_CSPACE_RGB, 3, 4, [](cups_page_header2_t& h) { h.cupsColorOrder = CUPS_ORDER_BANDED; })},
    };
    const std::vector<std::pair<const Shape*, Form>> cases = {
        {&shapes[0], Form::Raw},        {&shapes[0], Form::Compressed}, {&shapes[0], Form::Pwg},
        {&shapes[0], Form::Apple},      {&shapes[1], Form::Raw},        {&shapes[1], Form::Compressed},
        {&shapes[2], Form::Raw},        {&shapes[2], Form::Compressed}, {&shapes[3], Form::Raw},
        {&shapes[3], Form::Compressed}, {&shapes[4], Form::Raw},        {&shapes[4], Form::RawOtherByteOrder},
    };
    for (const auto& [shape, form] : cases) {
        const uint32_t bytesPerLine = kvtest::headerFor(shape->page).cupsBytesPerLine;
        std::vector<RasterPage> pages(shape->pages, shape->page);
        for (uint32_t p = 0; p < pages.size(); ++p) pages[p].data = patternRows(bytesPerLine, pages[p].height, 7 * p);
        std::string stream;
        switch (form) {
            case Form::Raw: stream = kvtest::rasterStream(pages, false); break;
            case Form::Compressed: stream = kvtest::rasterStream(pages, true); break;
            case Form::RawOtherByteOrder:
                stream = otherByteOrder(kvtest::rasterStream(pages, false), uint64_t{bytesPerLine} * 11);
                break;
            case Form::Pwg: stream = writtenAs(CUPS_RASTER_WRITE_PWG, pages); break;
            case Form::Apple: stream = writtenAs(CUPS_RASTER_WRITE_APPLE, pages); break;
        }
        const std::string name = std::string(shape->name) + ", form " + std::to_string(static_cast<int>(form));
        const Pages whole = readOneRowPerCall(stream);
        ASSERT_EQ(whole.size(), shape->pages) << name;
        EXPECT_EQ(readWithPageReader(stream, kPageBandBytes), whole) << name;
        for (size_t cut = 0; cut <= stream.size(); ++cut) {
            const std::string part = stream.substr(0, cut);
            ASSERT_EQ(readWithPageReader(part, 200), readOneRowPerCall(part)) << name << ", cut at " << cut;
        }
    }
}

// The buffer keeps its memory from page to page: pages no larger than the
// largest so far are read without allocating, and each starts white.
TEST(PageReaderTest, OneBufferServesEveryPageOfTheJob) {
    RasterPage large = kvtest::grayPage(812, 300, 0);
    RasterPage small = kvtest::grayPage(100, 20, 0);
    RasterPage cut = large;
    cut.headerOnly = true;
    const std::string stream = kvtest::rasterStream({large, small, large, cut}, false);
    const MemoryFile file(stream);
    const RasterInput input(file.fd());
    ASSERT_NE(input.stream(), nullptr);
    EXPECT_FALSE(input.compressed());
    JobSettings settings{};
    Page page;
    cups_page_header2_t h;
    const uint8_t* first = nullptr;
    for (int p = 0; p < 4; ++p) {
        ASSERT_TRUE(cupsRasterReadHeader2(input.stream(), &h)) << p;
        ASSERT_EQ(readPage(input, h, &settings, page), ReadResult::Read) << p;
        if (p == 0) first = page.buffer.data();
        EXPECT_EQ(page.buffer.data(), first) << p;
    }
    // The last page's header came without rows: white, not the black of the pages before.
    ASSERT_EQ(page.buffer.size(), 816u * 300);
    EXPECT_EQ(std::count(page.buffer.data(), page.buffer.data() + page.buffer.size(), 0xFF), 816 * 300);
}

}  // namespace
