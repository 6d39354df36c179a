// The page reader in process: pages read through the buffered raster input,
// one Page for the whole job, are the pages libcups gives one row per call into
// white pages, for every stream form, whole and cut at any byte; whole streams
// give their rows back in place whatever the form, also from a pipe that hands
// the stream over in pieces.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "filter/page_reader.h"
#include "languages/job_settings.h"
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

uint64_t strideOf(const cups_page_header2_t& h) {
    const uint32_t channels = h.cupsColorSpace == CUPS_CSPACE_RGB ? 3 : h.cupsColorSpace == CUPS_CSPACE_RGBA ? 4 : 1;
    return (h.cupsBytesPerLine / channels + 7) / 8 * 8 * channels;
}

// Every page of the stream as a reader of one row per call through libcups' own
// file reader sees it: each row read into its place in a white page (a row
// longer than the stride into a row of its own, kept only when whole and cut to
// the stride), up to the first row the stream doesn't give.
Pages readOneRowPerCall(const std::string& stream) {
    const MemoryFile file(stream);
    cups_raster_t* ras = cupsRasterOpen(file.fd(), CUPS_RASTER_READ);
    Pages pages;
    cups_page_header2_t h;
    while (ras != nullptr && cupsRasterReadHeader2(ras, &h)) {
        const uint64_t stride = strideOf(h);
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

// Every page of the stream on `fd` as the page reader returns it, one Page for all.
Pages readWithPageReader(int fd) {
    const RasterInput input(fd);
    JobSettings settings{};  // no media: the reader's own cap
    Page page;
    Pages pages;
    cups_page_header2_t h;
    while (input.stream() != nullptr && cupsRasterReadHeader2(input.stream(), &h)) {
        if (readPage(input, h, &settings, page) != ReadResult::Read) {
            ADD_FAILURE() << "page not read";
            break;
        }
        pages.emplace_back(page.buffer.data(), page.buffer.data() + page.buffer.size());
    }
    return pages;
}

Pages readWithPageReader(const std::string& stream) {
    const MemoryFile file(stream);
    return readWithPageReader(file.fd());
}

// The pages as written: each row at its place, cut to the stride or padded with
// white.
Pages writtenPages(const std::vector<RasterPage>& pages) {
    Pages out;
    for (const RasterPage& p : pages) {
        const cups_page_header2_t h = kvtest::headerFor(p);
        const uint64_t stride = strideOf(h);
        std::vector<uint8_t>& page = out.emplace_back(h.cupsHeight * stride, 0xFF);
        for (uint64_t y = 0; y < h.cupsHeight; ++y) {
            std::copy_n(p.data.begin() + y * h.cupsBytesPerLine, std::min<uint64_t>(stride, h.cupsBytesPerLine),
                        page.begin() + y * stride);
        }
    }
    return out;
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

// `count` pages of the shape, each of other rows (so rows left over from the
// page before would show).
std::vector<RasterPage> pagesOf(const RasterPage& shape, size_t count) {
    const uint32_t bytesPerLine = kvtest::headerFor(shape).cupsBytesPerLine;
    std::vector<RasterPage> pages(count, shape);
    for (uint32_t p = 0; p < count; ++p) pages[p].data = patternRows(bytesPerLine, shape.height, 7 * p);
    return pages;
}

// The stream as libcups writes it in the other byte order: the sync word and
// the header words swapped, raw rows as they are.
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

// The pages written by libcups in the PWG or the Apple raster form.
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

std::string streamOf(Form form, const std::vector<RasterPage>& pages) {
    switch (form) {
        case Form::Raw: return kvtest::rasterStream(pages, false);
        case Form::Compressed: return kvtest::rasterStream(pages, true);
        case Form::RawOtherByteOrder: {
            const cups_page_header2_t h = kvtest::headerFor(pages.front());
            return otherByteOrder(kvtest::rasterStream(pages, false), uint64_t{h.cupsBytesPerLine} * h.cupsHeight);
        }
        case Form::Pwg: return writtenAs(CUPS_RASTER_WRITE_PWG, pages);
        case Form::Apple: return writtenAs(CUPS_RASTER_WRITE_APPLE, pages);
    }
    return {};
}

RasterPage shapedPage(cups_cspace_t space, uint32_t width, uint32_t bitsPerColor,
                      std::function<void(cups_page_header2_t&)> patch = {}) {
    return {
        .space = space, .width = width, .height = 11, .bitsPerColor = bitsPerColor, .patchHeader = std::move(patch)};
}

// Two short pages of each shape in each stream form. Whole, the stream gives
// back the rows as written (where libcups hands them over unchanged); cut at
// every byte, it ends in headers, in rows and in compressed runs, and each page
// is what libcups gives one row per call.
TEST(PageReaderTest, EveryStreamWholeAndCutAnywhereReadsAsOneRowPerCall) {
    struct Shape {
        const char* name;
        RasterPage page;
        bool asWritten = true;  // whole streams give back the rows as written
        size_t pages = 2;
    };
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
         false, 1},
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
        const std::string name = std::string(shape->name) + ", form " + std::to_string(static_cast<int>(form));
        const std::vector<RasterPage> pages = pagesOf(shape->page, shape->pages);
        const std::string stream = streamOf(form, pages);
        const Pages whole = readOneRowPerCall(stream);
        ASSERT_EQ(whole.size(), shape->pages) << name;
        if (shape->asWritten && form != Form::RawOtherByteOrder) {
            EXPECT_EQ(whole, writtenPages(pages)) << name;
        }
        EXPECT_EQ(readWithPageReader(stream), whole) << name;
        for (size_t cut = 0; cut < stream.size(); ++cut) {
            const std::string part = stream.substr(0, cut);
            ASSERT_EQ(readWithPageReader(part), readOneRowPerCall(part)) << name << ", cut at " << cut;
        }
    }
}

// Label pages of 812-dot rows, larger than the input's buffer: raw and
// compressed, from a pipe that hands the stream over in odd pieces, give the
// rows as written; cut around and past the buffer's size, they read as one row
// per call.
TEST(PageReaderTest, StreamsLargerThanTheInputBufferReadWholeAndCut) {
    const std::vector<RasterPage> pages = pagesOf(kvtest::grayPage(812, 120, 0), 3);
    for (const bool compressed : {false, true}) {
        const std::string stream = kvtest::rasterStream(pages, compressed);
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        std::thread writer([&stream, fd = fds[1]] {
            for (size_t at = 0; at < stream.size(); at += 4093) {
                const size_t piece = std::min<size_t>(4093, stream.size() - at);
                if (write(fd, stream.data() + at, piece) != static_cast<ssize_t>(piece)) break;
            }
            close(fd);
        });
        const Pages read = readWithPageReader(fds[0]);
        char rest[4096];
        while (::read(fds[0], rest, sizeof rest) > 0) {}
        writer.join();
        close(fds[0]);
        EXPECT_EQ(read, writtenPages(pages)) << compressed;
        for (const size_t cut : {size_t{65535}, size_t{65536}, size_t{65537}, size_t{100001}, stream.size() - 1}) {
            if (cut > stream.size()) continue;
            const std::string part = stream.substr(0, cut);
            EXPECT_EQ(readWithPageReader(part), readOneRowPerCall(part)) << compressed << ", cut at " << cut;
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
