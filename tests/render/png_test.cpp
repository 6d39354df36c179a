// PNG pictures: what libpng reads back from encodePng is the page, one grey
// bit per dot for black pages, the palette colours for red ink and marks.
#include <gtest/gtest.h>
#include <png.h>

#include "render/png_writer.h"

namespace {

kvrender::Plane plane(uint32_t w, uint32_t h) {
    kvrender::Plane p;
    p.width = w;
    p.height = h;
    p.stride = (w + 7) / 8;
    p.bits.assign(p.stride * h, 0);
    return p;
}
void set(kvrender::Plane& p, uint32_t x, uint32_t y) {
    p.bits[y * p.stride + x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
}

// RGB pixels of a PNG in memory.
std::vector<uint8_t> decode(const std::vector<uint8_t>& file, uint32_t& w, uint32_t& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    w = image.width;
    h = image.height;
    return rgb;
}

TEST(PngWriter, BlackRedAndMarksReadBack) {
    kvrender::Page page;
    page.width = 13;
    page.height = 5;
    page.black = plane(13, 5);
    set(page.black, 12, 0);
    std::string error;
    uint32_t w = 0, h = 0;
    auto rgb = decode(kvrender::encodePng(page, error), w, h);
    ASSERT_EQ(rgb.size(), 13u * 5 * 3) << error;
    EXPECT_EQ(rgb[12 * 3], 0);    // the dot
    EXPECT_EQ(rgb[11 * 3], 255);  // white beside it

    page.red = plane(13, 5);
    set(page.red, 2, 4);
    page.marks.push_back({kvrender::Mark::Kind::Cut, 3, 0, "cut"});
    rgb = decode(kvrender::encodePng(page, error), w, h);
    ASSERT_EQ(rgb.size(), 13u * 5 * 3) << error;
    const uint8_t* red = &rgb[(4 * 13 + 2) * 3];
    EXPECT_GT(red[0], 200);
    EXPECT_LT(red[1], 50);
    const uint8_t* cut = &rgb[(2 * 13 + 0) * 3];  // dashed line on the last row before the cut
    EXPECT_GT(cut[2], 200);
    EXPECT_LT(cut[0], 100);
    EXPECT_EQ(rgb[12 * 3], 0);
}

TEST(PngWriter, EmptyPageIsOneWhiteDot) {
    std::string error;
    uint32_t w = 0, h = 0;
    const auto rgb = decode(kvrender::encodePng(kvrender::Page{}, error), w, h);
    EXPECT_EQ(w, 1u);
    EXPECT_EQ(h, 1u);
    ASSERT_EQ(rgb.size(), 3u);
    EXPECT_EQ(rgb[0], 255);
}

}  // namespace
