// Well-formedness and page geometry checks of one printed page per kind.
#include "tests/cups/job_checks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kvcups {
namespace {

// Dots of a length in points as the raster interpreter rounds them; the page
// loop then pads rows to whole bytes.
long dots(double points, int dpi) { return std::lround(points * dpi / 72.0); }
long padded(long d) { return (d + 7) / 8 * 8; }

// The raster interpreters may round a size one dot either way.
void expectWidth(uint32_t widthDots, double widthPt, int dpi, const std::string& what) {
    const long d = dots(widthPt, dpi);
    EXPECT_TRUE(widthDots == padded(d - 1) || widthDots == padded(d) || widthDots == padded(d + 1))
        << what << ": width " << widthDots << " dots, expected about " << d << " padded to bytes";
}

void expectRows(uint32_t rows, double heightPt, int dpi, const std::string& what) {
    EXPECT_NEAR(static_cast<double>(rows), static_cast<double>(dots(heightPt, dpi)), 1.0) << what << ": rows";
}

// The millimetre label size the page loop derives: truncated dots x 25.4 / dpi.
std::string sizeLine(const PrintedBitmap& b, int dpi) {
    return std::to_string(static_cast<int>(b.widthDots * 25.4 / dpi)) + "mm," +
           std::to_string(static_cast<int>(b.rows * 25.4 / dpi)) + "mm";
}

void expectTspl(const PrinterKind& k, const PrintedPage& page, double wPt, double hPt, bool ink) {
    const bool twoColour = k.language == Language::TwoColourTspl;
    for (const std::string& colour :
         twoColour ? std::vector<std::string>{"BLACK", "RED"} : std::vector<std::string>{""}) {
        const PrintedBitmap* b = page.bitmap(colour);
        ASSERT_NE(b, nullptr) << "no bitmap " << colour;
        expectWidth(b->widthDots, wPt, k.dpi, "BITMAP " + colour);
        expectRows(b->rows, hPt, k.dpi, "BITMAP " + colour);
        EXPECT_EQ(valueOf({"", {page}, {}}, "SIZE"), sizeLine(*b, k.dpi));
        if (ink) {
            EXPECT_GT(b->inkDots, 0u) << "nothing printed in bitmap " << colour;
        }
    }
    EXPECT_TRUE(page.settings.contains("PRINT"));
}

}  // namespace

std::string valueOf(const PrintedJob& job, const std::string& key) {
    if (!job.pages.empty() && job.pages[0].settings.contains(key)) return job.pages[0].settings.at(key);
    return job.job.contains(key) ? job.job.at(key) : "<absent>";
}

bool isStandInOutput(const PrinterKind& kind, const std::string& bytes) {
    if (bytes.empty()) return true;
    if (kind.language != Language::EscPos) return false;
    const PrintedJob job = parseEscPos(bytes);
    return job.error.empty() && job.pages.empty();
}

void expectOnePage(const PrinterKind& k, const PrintedJob& job, double wPt, double hPt, bool ink) {
    ASSERT_EQ(job.error, "") << "malformed output";
    ASSERT_EQ(job.pages.size(), 1u);
    const PrintedPage& page = job.pages[0];
    const double printableW = wPt - k.sideMarginsPt;
    switch (k.language) {
        case Language::Tspl:
        case Language::TwoColourTspl: expectTspl(k, page, printableW, hPt, ink); return;
        case Language::Zpl:
        case Language::SfZpl: EXPECT_EQ(job.job.contains("prefix"), k.language == Language::SfZpl); break;
        default: break;
    }
    ASSERT_EQ(page.bitmaps.size(), 1u);
    const PrintedBitmap& b = page.bitmaps[0];
    if (k.language == Language::Device) {
        if (k.canvasWidth != 0) {
            EXPECT_EQ(b.widthDots, static_cast<uint32_t>(k.canvasWidth));
        }
        EXPECT_GT(b.rows, 0u);
        EXPECT_EQ(b.widthDots % 8, 0u);
        EXPECT_TRUE(page.settings.contains("5/8")) << "no feed after the image";
        return;
    }
    expectWidth(b.widthDots, printableW, k.dpi, "bitmap");
    if (ink) {
        EXPECT_GT(b.inkDots, 0u) << "nothing printed";
    }
    if (k.language == Language::EscPos) {  // blank paper above and below is trimmed
        EXPECT_GT(b.rows, 0u);
        EXPECT_LE(b.rows, static_cast<uint32_t>(dots(hPt, k.dpi) + 1));
        return;
    }
    expectRows(b.rows, hPt, k.dpi, "bitmap");
    if (k.language == Language::Cpcl) {
        EXPECT_EQ(valueOf(job, "PW"), std::to_string(b.widthDots));
        const std::string res = (k.dpi == 200 || k.dpi == 203) ? "200" : "300";
        EXPECT_EQ(valueOf(job, "!"), "0 " + res + " " + res + " " + std::to_string(b.rows) + " 1");
    } else {
        EXPECT_EQ(valueOf(job, "^PW"), std::to_string(b.widthDots));
        EXPECT_EQ(valueOf(job, "^LL"), std::to_string(b.rows));
    }
}

}  // namespace kvcups
