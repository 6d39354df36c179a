// The device print job end to end: the filter run like the scheduler runs it
// for every device model and the print modes the device path knows, the
// frames it writes, and the page image decoded back from the transfer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "base/seams.h"
#include "image/device/model_canvas.h"
#include "protocol/device/image_front_end.h"
#include "tests/protocol/device/device_stream.h"
#include "tests/toolkit/toolkit.h"

namespace {

using kvdtest::Bytes;
using kvdtest::Frame;

using ZoomFunction = uint8_t* (*)(const uint8_t*, uint32_t, uint32_t, uint32_t*, uint32_t*);

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

constexpr uint32_t kPageW = 400;
constexpr uint32_t kPageH = 300;

// White page with a black block, a grey ramp and a thin line: text and photo.
kvtest::RasterPage testPage() {
    kvtest::RasterPage page = kvtest::grayPage(kPageW, kPageH);
    for (uint32_t y = 0; y < kPageH; ++y) {
        for (uint32_t x = 0; x < kPageW; ++x) {
            uint8_t& v = page.data[y * kPageW + x];
            if (y >= 60 && y < 120 && x >= 40 && x < 200) v = 0;
            if (y >= 180 && y < 240) v = static_cast<uint8_t>(x * 255 / (kPageW - 1));
            if (y == 150 && x >= 20 && x < 380) v = 0;
        }
    }
    return page;
}

struct Canvas {
    Bytes grey;
    uint32_t width = 0;
    uint32_t height = 0;
};

// The model's canvas of the page, widened to whole bytes with white.
Canvas canvasOf(ZoomFunction zoom, const Bytes& page) {
    Canvas c;
    std::unique_ptr<uint8_t, FreeDeleter> z(zoom(page.data(), kPageW, kPageH, &c.width, &c.height));
    EXPECT_NE(z, nullptr);
    if (!z) return c;
    const uint32_t wide = (c.width + 7) / 8 * 8;
    c.grey.assign(size_t{wide} * c.height, 255);
    for (uint32_t y = 0; y < c.height; ++y) std::memcpy(&c.grey[y * wide], z.get() + y * c.width, c.width);
    c.width = wide;
    return c;
}

// Print mode 0: a dot where the grey sum (double precision, truncated) is at most 222.
Bytes thresholdOracle(const Canvas& c) {
    Bytes bits(c.width / 8 * c.height, 0);
    for (size_t i = 0; i < c.grey.size(); ++i) {
        const double g = c.grey[i];
        if (static_cast<uint8_t>(0.3 * g + 0.59 * g + 0.11 * g) <= 222) bits[i / 8] |= 0x80 >> (i % 8);
    }
    return bits;
}

std::time_t pinnedSecond = 0;
std::time_t pinnedClock() { return pinnedSecond; }

// The conversion the filter ran, redone here with the random generator in
// the state the filter process had: rand() unseeded, the chain dithers seeded
// from the clock second of the run.
kvdtest::Bitmap libraryBits(const Canvas& c, uint32_t imageMode, std::time_t second) {
    pinnedSecond = second;
    setKvClock(pinnedClock);
    kvSrand(1);
    kvdtest::Bitmap out{c.width, c.height, {}};
    std::unique_ptr<uint8_t, FreeDeleter> bits(
        driveGetDataFromGrayImage(c.grey.data(), &out.width, &out.height, 0, imageMode));
    setKvClock(nullptr);
    if (bits) out.bits.assign(bits.get(), bits.get() + (out.width + 7) / 8 * out.height);
    return out;
}

// The settings commands, one or more compressed image parts, the feed.
bool isPage(const std::vector<Frame>& frames, const std::string& settings) {
    std::string rest = kvdtest::frameSummary(frames);
    const std::string part = " 5/11 5/14 5/13* 5/12";
    const std::string feed = " 5/8";
    if (rest.rfind(settings, 0) != 0 || rest.size() < settings.size() + part.size() + feed.size()) return false;
    if (rest.compare(rest.size() - feed.size(), feed.size(), feed) != 0) return false;
    rest = rest.substr(settings.size(), rest.size() - settings.size() - feed.size());
    for (size_t at = 0; at < rest.size(); at += part.size()) {
        if (rest.compare(at, part.size(), part) != 0) return false;
    }
    return true;
}

struct Model {
    int devType;
    const char* name;  // KVAttr PrinterModel text; null: numeric DefaultPrinterModel
    ZoomFunction zoom;
    uint32_t frameLength;
    uint8_t feed;
};

const Model kModels[] = {
    {0, "LM50", driveBitmapZoomToLM50, 8192, 10},         {1, "L50", driveBitmapZoomToL50, 2048, 28},
    {2, "L60", driveBitmapZoomToL60, 4096, 14},           {3, "L50B", driveBitmapZoomToL50B, 8192, 28},
    {4, "L50C", driveBitmapZoomToL50C_Tattoo, 4096, 36},  {5, "L60B", driveBitmapZoomToL60B, 4096, 14},
    {6, nullptr, driveBitmapZoomToL50C_Normal, 4096, 28},
};

class DeviceModelJob : public ::testing::TestWithParam<Model> {
protected:
    std::string ppdFor(const Model& m) {
        kvtest::Ppd ppd{
            .defaults = {{"DefaultDarkness", "8"}, {"DefaultPrintSpeed", "3"}, {"DefaultSilentPrint", "1"}}};
        if (m.name != nullptr) {
            ppd.attributes.emplace_back("KVAttr", "PrinterModel", m.name);
        } else {
            ppd.defaults.emplace_back("DefaultPrinterModel", std::to_string(m.devType));
        }
        return kvtest::writePpd(dir.path(), ppd);
    }
    kvtest::TempDir dir;
};

// Every model, print modes 0, 9 and 11 (positioning off and on): speed or
// silent mode, darkness, one or more compressed image parts, feed; no frame
// longer than the model's limit; the image decodes to the expected page.
TEST_P(DeviceModelJob, PrintModesGiveSettingsImageAndFeed) {
    const Model& m = GetParam();
    const std::string ppd = ppdFor(m);
    const kvtest::RasterPage page = testPage();
    const std::string input = kvtest::rasterStream({page});
    const Canvas canvas = canvasOf(m.zoom, page.data);
    struct Mode {
        int printMode, positioning;
        uint32_t imageMode;
    } modes[] = {{0, 0, 0}, {9, 0, 6}, {11, 0, 10}, {11, 1, 11}};
    for (const Mode& mode : modes) {
        SCOPED_TRACE("model " + std::to_string(m.devType) + ", print mode " + std::to_string(mode.printMode) +
                     ", positioning " + std::to_string(mode.positioning));
        // The jittered chains reseed from the clock for every band: a run that
        // crossed a second boundary may have used two seeds, so run it again
        // (a few times at most) until one run stays within one second.
        std::time_t before = 0, after = 0;
        kvtest::FilterRun r;
        for (int attempt = 0; attempt < 5 && (attempt == 0 || before != after); ++attempt) {
            before = std::time(nullptr);
            r = kvtest::runFilter({.options = "PrintMode=" + std::to_string(mode.printMode) +
                                              " PositioningMode=" + std::to_string(mode.positioning),
                                   .ppdPath = ppd,
                                   .input = input},
                                  dir.path());
            after = std::time(nullptr);
        }
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<Frame> frames = kvdtest::parseFrames(r.out);
        ASSERT_GE(frames.size(), 6u);
        const std::string first = m.devType == 4 ? "5/35" : "5/7";
        EXPECT_TRUE(isPage(frames, first + " 5/4")) << kvdtest::frameSummary(frames);
        EXPECT_EQ(frames[0].payload, (m.devType == 4 ? Bytes{1} : Bytes{3}));
        EXPECT_EQ(frames[1].payload, (Bytes{3, 8, 8}));
        EXPECT_EQ(frames.back().payload, (Bytes{1, m.feed, 0}));
        std::string transfer = r.out.substr(frames[0].length + frames[1].length);
        transfer.resize(transfer.size() - frames.back().length);
        EXPECT_EQ(r.dump(), transfer);
        for (const Frame& f : frames) EXPECT_LE(f.length, m.frameLength);

        const kvdtest::Bitmap image = kvdtest::decodeTransfer(frames);
        EXPECT_EQ(image.width, canvas.width);
        if (mode.imageMode == 0) {
            EXPECT_EQ(image.height, canvas.height);
            EXPECT_EQ(image.bits, thresholdOracle(canvas));
            continue;
        }
        // The tattoo line adds 16 rows to a canvas big enough for its frame.
        if (m.devType == 0) {
            EXPECT_EQ(image.height, canvas.height + (mode.imageMode == 11 ? 16u : 0u));
        }
        bool matched = false;
        for (std::time_t t = before; t <= after && !matched; ++t) {
            const kvdtest::Bitmap expected = libraryBits(canvas, mode.imageMode, t);
            matched = image.height == expected.height && image.bits == expected.bits;
        }
        EXPECT_TRUE(matched);
    }
}

INSTANTIATE_TEST_SUITE_P(AllModels, DeviceModelJob, ::testing::ValuesIn(kModels),
                         [](const auto& instance) { return "devType" + std::to_string(instance.param.devType); });

class DeviceJob : public ::testing::Test {
protected:
    kvtest::TempDir dir;
};

// No PPD: model L50, family 28, every setting 0: darkness 3,0,8, no speed,
// the compressed transfer in frames of at most 2048 bytes, feed 1,28.
TEST_F(DeviceJob, DefaultJobWithoutPpd) {
    const kvtest::FilterRun r = kvtest::runFilter({.input = kvtest::rasterStream({testPage()})}, dir.path());
    ASSERT_EQ(r.status, 0);
    const std::vector<Frame> frames = kvdtest::parseFrames(r.out, 28);
    ASSERT_GE(frames.size(), 5u);
    EXPECT_TRUE(isPage(frames, "5/4")) << kvdtest::frameSummary(frames);
    EXPECT_EQ(frames.front().payload, (Bytes{3, 0, 8}));
    EXPECT_EQ(frames.back().payload, (Bytes{1, 0x1C, 0}));
    for (const Frame& f : frames) EXPECT_LE(f.length, 2048u);
    const kvdtest::Bitmap image = kvdtest::decodeTransfer(frames);
    EXPECT_EQ(image.bits, thresholdOracle(canvasOf(driveBitmapZoomToL50, testPage().data)));
    EXPECT_NE(r.log().find("array.size = "), std::string::npos);
}

// Pages the model can't take (an unknown device number, a page shorter than
// the L50's margins) give no bytes, a log line and a warning for the
// scheduler; the next page prints.
TEST_F(DeviceJob, PagesWithoutImageGiveNoBytesAndTheJobGoesOn) {
    const std::string unknown = kvtest::writePpd(dir.path(), {.defaults = {{"DefaultPrinterModel", "7"}}});
    kvtest::FilterRun r =
        kvtest::runFilter({.ppdPath = unknown, .input = kvtest::rasterStream({testPage(), testPage()})}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "PAGE: 1 1\nWARNING: Page 1 (400 x 300 dots) can't be printed on this printer model, skipped\n"
              "PAGE: 2 1\nWARNING: Page 2 (400 x 300 dots) can't be printed on this printer model, skipped\n");
    EXPECT_NE(r.log().find("is no device model"), std::string::npos);

    r = kvtest::runFilter({.input = kvtest::rasterStream({kvtest::grayPage(400, 150, 0), testPage()})}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "PAGE: 1 1\nWARNING: Page 1 (400 x 150 dots) can't be printed on this printer model, skipped\n"
              "PAGE: 2 1\n");
    EXPECT_NE(r.log().find("not printed"), std::string::npos);
    const std::vector<Frame> frames = kvdtest::parseFrames(r.out);
    EXPECT_TRUE(isPage(frames, "5/4")) << kvdtest::frameSummary(frames);
}

}  // namespace
