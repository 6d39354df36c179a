// Workload pages for tools/bench-compare.sh: a 4 x 6 inch shipping label at
// 203 dpi and an A4 page at 300 dpi, written as CUPS raster (8-bit grey for
// our filter, 1-bit black for CUPS's label filter) or as a binary PGM for
// netpbm. The same grey page gives every format: the 1-bit page marks the
// dots that the threshold mode prints (grey 128 or darker).
//
//   bench_make_workload label|a4 grey|onebit|pgm PAGES OUTFILE [compressed]
//
// Raster streams are written uncompressed unless asked otherwise.
#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/workloads/workload_pages.h"

namespace {

cups_page_header2_t headerFor(const GreyPage& page, bool oneBit) {
    cups_page_header2_t h{};
    h.cupsWidth = page.width;
    h.cupsHeight = page.height;
    h.cupsBitsPerColor = oneBit ? 1 : 8;
    h.cupsBitsPerPixel = oneBit ? 1 : 8;
    h.cupsBytesPerLine = oneBit ? (page.width + 7) / 8 : page.width;
    h.cupsColorSpace = oneBit ? CUPS_CSPACE_K : CUPS_CSPACE_W;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.HWResolution[0] = page.resolution;
    h.HWResolution[1] = page.resolution;
    h.PageSize[0] = page.width * 72 / page.resolution;
    h.PageSize[1] = page.height * 72 / page.resolution;
    h.NumCopies = 1;
    // CUPS's label filter reads darkness from cupsCompression (-1: printer default)
    // and the label top from cupsRowStep (200: printer default).
    h.cupsCompression = -1;
    h.cupsRowStep = 200;
    std::strcpy(h.MediaClass, "PwgRaster");
    return h;
}

// 1 bits where the grey page is 128 or darker (CUPS_CSPACE_K: 1 = black).
std::vector<uint8_t> oneBitRows(const GreyPage& page) {
    const uint32_t bpl = (page.width + 7) / 8;
    std::vector<uint8_t> bits(static_cast<size_t>(bpl) * page.height, 0);
    for (uint32_t y = 0; y < page.height; ++y) {
        for (uint32_t x = 0; x < page.width; ++x) {
            if (page.grey[static_cast<size_t>(y) * page.width + x] <= 128)
                bits[static_cast<size_t>(y) * bpl + x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
        }
    }
    return bits;
}

bool writeRaster(const GreyPage& page, bool oneBit, bool compressed, int pages, const char* path) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    cups_raster_t* ras = cupsRasterOpen(fd, compressed ? CUPS_RASTER_WRITE_COMPRESSED : CUPS_RASTER_WRITE);
    cups_page_header2_t h = headerFor(page, oneBit);
    const std::vector<uint8_t> rows = oneBit ? oneBitRows(page) : page.grey;
    bool ok = ras != nullptr;
    for (int p = 0; ok && p < pages; ++p) {
        ok = cupsRasterWriteHeader2(ras, &h) != 0;
        for (uint32_t y = 0; ok && y < page.height; ++y) {
            auto* row = const_cast<uint8_t*>(rows.data() + static_cast<size_t>(y) * h.cupsBytesPerLine);
            ok = cupsRasterWritePixels(ras, row, h.cupsBytesPerLine) == h.cupsBytesPerLine;
        }
    }
    if (ras != nullptr) cupsRasterClose(ras);
    close(fd);
    return ok;
}

bool writePgm(const GreyPage& page, const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    std::fprintf(f, "P5\n%u %u\n255\n", page.width, page.height);
    const bool ok = std::fwrite(page.grey.data(), 1, page.grey.size(), f) == page.grey.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    const bool compressed = argc == 6 && std::string(argv[5]) == "compressed";
    if (argc != 5 && !compressed) {
        std::fputs("usage: bench_make_workload label|a4 grey|onebit|pgm PAGES OUTFILE [compressed]\n", stderr);
        return 2;
    }
    const std::string kind = argv[1];
    const std::string format = argv[2];
    const int pages = std::atoi(argv[3]);
    if ((kind != "label" && kind != "a4") || pages < 1) {
        std::fputs("bench_make_workload: unknown page kind or page count\n", stderr);
        return 2;
    }
    const GreyPage page = kind == "label" ? shippingLabel() : a4Page();
    bool ok = false;
    if (format == "pgm") {
        ok = writePgm(page, argv[4]);
    } else if (format == "grey" || format == "onebit") {
        ok = writeRaster(page, format == "onebit", compressed, pages, argv[4]);
    } else {
        std::fputs("bench_make_workload: format is grey, onebit or pgm\n", stderr);
        return 2;
    }
    if (!ok) std::fprintf(stderr, "bench_make_workload: can't write %s\n", argv[4]);
    return ok ? 0 : 1;
}
