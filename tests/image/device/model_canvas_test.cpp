// Model canvases: geometry of each model, placement, the tattoo mirror and the
// refusal of pages smaller than a model's margins.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "base/log_files.h"
#include "image/device/model_canvas.h"

namespace {

using CanvasFn = uint8_t* (*)(const uint8_t*, uint32_t, uint32_t, uint32_t*, uint32_t*);

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};

struct Canvas {
    std::unique_ptr<uint8_t, FreeDeleter> data;
    uint32_t w = 7, h = 7;
};

Canvas run(CanvasFn fn, const std::vector<uint8_t>& page, uint32_t w, uint32_t h) {
    Canvas c;
    c.data.reset(fn(page.data(), w, h, &c.w, &c.h));
    return c;
}

// Bounding box of the non-white pixels: left, top, width, height.
struct Box {
    int64_t left = -1, top = -1, w = 0, h = 0;
    bool operator==(const Box&) const = default;
};

Box inkBox(const Canvas& c) {
    int64_t x0 = c.w, y0 = c.h, x1 = -1, y1 = -1;
    for (int64_t y = 0; y < c.h; ++y) {
        for (int64_t x = 0; x < c.w; ++x) {
            if (c.data.get()[y * c.w + x] == 255) continue;
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    }
    if (x1 < 0) return {};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

class ModelCanvas : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("kv_canvas_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        setDebugLogDirectory(dir_.c_str());
    }
    void TearDown() override {
        closeDebugLog();
        std::filesystem::remove_all(dir_);
    }
    std::string log() const {
        std::ifstream in(dir_ / "LxxLog.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::filesystem::path dir_;
};

}  // namespace

TEST_F(ModelCanvas, GeometryOfEachModel) {
    // A black page: the zoomed page is every pixel that is not white.
    const struct {
        const char* name;
        CanvasFn fn;
        uint32_t sw, sh, cw, ch;
        Box box;
    } cases[] = {
        {"LM50", driveBitmapZoomToLM50, 100, 60, 100, 60, {20, 24, 60, 36}},
        {"L60", driveBitmapZoomToL60, 100, 60, 100, 60, {20, 24, 60, 36}},
        {"L60 wide", driveBitmapZoomToL60, 5184, 100, 2592, 50, {622, 24, 1347, 26}},
        {"L50", driveBitmapZoomToL50, 1664, 1000, 1664, 807, {181, 24, 1302, 783}},
        {"L50 wide", driveBitmapZoomToL50, 5000, 400, 1664, 214, {0, 52, 1664, 133}},
        // 255 / 221 x 13 is 14.999... in double but 15 as float: the fitted width is 15.
        {"L50 fit in float", driveBitmapZoomToL50, 255, 221, 1664, 37, {824, 24, 15, 13}},
        {"L50C", driveBitmapZoomToL50C_Normal, 1664, 1000, 1664, 797, {189, 24, 1286, 773}},
        {"L50B", driveBitmapZoomToL50B, 2000, 1000, 2496, 752, {520, 24, 1456, 728}},
        {"L50C tattoo", driveBitmapZoomToL50C_Tattoo, 2000, 1000, 1664, 1146, {57, 171, 1550, 756}},
        {"L60B", driveBitmapZoomToL60B, 500, 300, 421, 300, {0, 24, 421, 252}},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> page(size_t{c.sw} * c.sh, 0);
        const Canvas canvas = run(c.fn, page, c.sw, c.sh);
        ASSERT_TRUE(canvas.data) << c.name;
        EXPECT_EQ(canvas.w, c.cw) << c.name;
        EXPECT_EQ(canvas.h, c.ch) << c.name;
        const Box box = inkBox(canvas);
        EXPECT_TRUE(box == c.box) << c.name << ": " << box.left << "," << box.top << " " << box.w << "x" << box.h;
    }
}

TEST_F(ModelCanvas, TattooCanvasIsAMirrorImage) {
    // A dark bar along the page's left edge lands at the canvas's right.
    const uint32_t w = 400, h = 300;
    std::vector<uint8_t> page(size_t{w} * h, 255);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < 20; ++x) page[y * w + x] = 0;
    }
    const Canvas c = run(driveBitmapZoomToL50C_Tattoo, page, w, h);
    ASSERT_TRUE(c.data);
    ASSERT_EQ(c.w, 1664u);
    ASSERT_EQ(c.h, 463u);
    const uint8_t* row = c.data.get() + 300 * c.w;
    EXPECT_EQ(row[1663 - 632 - 5], 15);  // page column 5, mirrored
    EXPECT_EQ(row[632 + 5], 255);
    EXPECT_EQ((inkBox(c) == Box{1012, 171, 20, 292}), true);
}

TEST_F(ModelCanvas, PagesSmallerThanTheMarginsAreRefused) {
    const struct {
        const char* name;
        CanvasFn fn;
        uint32_t sw, sh;
        bool ok;
    } cases[] = {
        {"L60B 79", driveBitmapZoomToL60B, 79, 100, false},
        {"L60B 80", driveBitmapZoomToL60B, 80, 100, true},
        {"L50 207", driveBitmapZoomToL50, 300, 207, false},
        {"L50 12", driveBitmapZoomToL50, 300, 12, false},
        {"L50 208", driveBitmapZoomToL50, 300, 208, true},
        {"L50C 207", driveBitmapZoomToL50C_Normal, 300, 207, false},
        {"L50B 284", driveBitmapZoomToL50B, 300, 284, false},
        {"L50B 285", driveBitmapZoomToL50B, 300, 285, true},
        {"LM50 24", driveBitmapZoomToLM50, 300, 24, false},
        {"L60 25", driveBitmapZoomToL60, 300, 25, true},
        {"tattoo 0 wide", driveBitmapZoomToL50C_Tattoo, 0, 25, false},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> page(size_t{std::max(c.sw, 1u)} * std::max(c.sh, 1u), 0);
        const Canvas canvas = run(c.fn, page, c.sw, c.sh);
        EXPECT_EQ(canvas.data != nullptr, c.ok) << c.name;
        if (!c.ok) {
            EXPECT_EQ(canvas.w + canvas.h, 0u) << c.name;
        }
    }
    EXPECT_NE(log().find("L50: page 300x207 is smaller than the model's margins, page skipped"), std::string::npos);
    // L50 at 208 rows: no row left for the page after the feed factor; white canvas.
    const Canvas blank = run(driveBitmapZoomToL50, std::vector<uint8_t>(300 * 208, 0), 300, 208);
    ASSERT_TRUE(blank.data);
    EXPECT_EQ(blank.h, 24u);
    EXPECT_EQ(inkBox(blank), Box{});
}
