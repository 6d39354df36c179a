// PWG raster writer and test pages.
#include "tests/app/pwg_raster.h"

#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "tests/toolkit/toolkit.h"

namespace kvapptest {

std::string pwgStream(const std::vector<PwgPage>& pages) {
    kvtest::TempDir dir;
    const std::string path = dir.file("page.pwg");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("can't write PWG raster file");
    cups_raster_t* ras = cupsRasterOpen(fd, CUPS_RASTER_WRITE_PWG);
    for (const PwgPage& page : pages) {
        cups_page_header2_t h;
        pwg_media_t* media = pwgMediaForSize(static_cast<int>(page.width * 2540 / page.dpi),
                                             static_cast<int>(page.height * 2540 / page.dpi));
        cupsRasterInitPWGHeader(&h, media, page.channels == 3 ? "srgb_8" : "sgray_8", static_cast<int>(page.dpi),
                                static_cast<int>(page.dpi), "one-sided", nullptr);
        // The page is exactly as many dots as given, whatever size name fits.
        h.cupsWidth = page.width;
        h.cupsHeight = page.height;
        h.cupsBytesPerLine = page.width * page.channels;
        h.PageSize[0] = page.width * 72 / page.dpi;
        h.PageSize[1] = page.height * 72 / page.dpi;
        cupsRasterWriteHeader2(ras, &h);
        for (uint32_t y = 0; y < page.height; ++y) {
            std::vector<uint8_t> row(page.pixels.begin() + static_cast<long>(y) * h.cupsBytesPerLine,
                                     page.pixels.begin() + static_cast<long>(y + 1) * h.cupsBytesPerLine);
            cupsRasterWritePixels(ras, row.data(), h.cupsBytesPerLine);
        }
    }
    cupsRasterClose(ras);
    close(fd);
    return kvtest::readFile(path);
}

namespace {

// Grey value of the test pattern at a dot.
uint8_t pattern(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    if (y < height / 4) return static_cast<uint8_t>(x * 255 / (width ? width : 1));  // ramp
    if (y < height / 2) return ((x / 3) % 4 == 0 || (y / 5) % 6 == 0) ? 0 : 255;     // text-like strokes
    if (y < 3 * height / 4) return x < width / 2 ? 0 : 128;                          // solid black, mid grey
    return 255;
}

}  // namespace

PwgPage greyTestPage(uint32_t width, uint32_t height, uint32_t dpi) {
    PwgPage p{width, height, 1, dpi, {}};
    p.pixels.resize(static_cast<size_t>(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            p.pixels[static_cast<size_t>(y) * width + x] = pattern(x, y, width, height);
    }
    return p;
}

PwgPage colourTestPage(uint32_t width, uint32_t height, uint32_t dpi) {
    PwgPage p{width, height, 3, dpi, {}};
    p.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* px = &p.pixels[(static_cast<size_t>(y) * width + x) * 3];
            const uint8_t g = pattern(x, y, width, height);
            px[0] = px[1] = px[2] = g;
            if (y >= height / 2 && y < 3 * height / 4 && x >= width / 4 && x < width / 2) {
                px[0] = 230, px[1] = 20, px[2] = 20;  // red
            } else if (y >= 3 * height / 4 && x < width / 3) {
                px[0] = 120, px[1] = 10, px[2] = 10;  // dark red
            }
        }
    }
    return p;
}

}  // namespace kvapptest
