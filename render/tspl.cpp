// TSPL decoder: SIZE, GAP / BLINE, SPEED, DENSITY and the fixed set-up lines,
// CLS, BITMAP in overwrite mode (raw rows, 0 bits print) or the zlib mode 3,
// and PRINT closing each label. SETCOLOR lines make it two-colour TSPL.
#include <cmath>

#include "render/decoders.h"
#include "render/encodings.h"

namespace kvrender {
namespace {

// TSPL commands that print something this renderer does not draw.
constexpr std::string_view kNotDrawn[] = {"TEXT",   "BARCODE", "QRCODE", "DMATRIX", "BOX",     "BAR",  "BLOCK",
                                          "CIRCLE", "ELLIPSE", "PUTBMP", "PUTPCX",  "REVERSE", "ERASE"};
// Set-up commands that are listed as they stand.
constexpr std::string_view kListed[] = {"DIRECTION", "REFERENCE", "OFFSET", "SHIFT", "SET", "CODEPAGE"};

struct Label {
    Page page;
    bool sized = false;
    bool cleared = false;
    Plane* target = nullptr;
    GraphicTally tally;
};

uint32_t dpiOf(const DecodeContext& ctx) { return ctx.options.dpi != 0 ? ctx.options.dpi : 203; }

// "SIZE 48mm,30mm" (millimetres) or "SIZE 4,6" (inches).
void sizeCommand(DecodeContext& ctx, Label& label, std::string_view arg, size_t at) {
    const auto fields = splitFields(arg);
    double dots[2] = {0, 0};
    for (size_t i = 0; i < 2; ++i) {
        double v = 0;
        std::string_view unit;
        if (fields.size() != 2 || !parseMeasure(fields[i], v, unit) || (unit != "mm" && unit != "" && unit != "dot"))
            ctx.in.failAt(at, "SIZE width,length in mm, dots or inches");
        const double perUnit = unit == "mm" ? dpiOf(ctx) / 25.4 : unit == "dot" ? 1.0 : dpiOf(ctx);
        dots[i] = std::round(v * perUnit);
    }
    if (dots[0] > 1e6 || dots[1] > 1e6) ctx.in.failAt(at, "a SIZE of at most a million dots each way");
    label.page.width = static_cast<uint32_t>(dots[0]);
    label.page.height = static_cast<uint32_t>(dots[1]);
    label.sized = true;
    setSetting(label.page, "size",
               std::string(arg) + " (" + std::to_string(label.page.width) + " x " + std::to_string(label.page.height) +
                   " dots at " + std::to_string(dpiOf(ctx)) + " dpi)");
}

void makeCanvas(DecodeContext& ctx, Label& label, size_t at) {
    if (!label.sized) ctx.in.failAt(at, "SIZE before the label's first CLS or BITMAP");
    if (label.page.black.empty() && label.page.width > 0 && label.page.height > 0)
        label.page.black = ctx.newPlane(label.page.width, label.page.height, at, "a label");
    if (label.target == nullptr) label.target = &label.page.black;
}

void mediaCommand(Label& label, std::string_view cmd, std::string_view arg) {
    double gap = 0;
    std::string_view unit;
    const auto fields = splitFields(arg);
    const bool zeroGap = cmd == "GAP" && !fields.empty() && parseMeasure(fields[0], gap, unit) && gap == 0;
    const char* tracking = cmd == "BLINE" ? "black mark" : zeroGap ? "continuous" : "gaps";
    setSetting(label.page, "media tracking",
               std::string(tracking) + " (" + std::string(cmd) + " " + std::string(arg) + ")");
}

void bitmapCommand(DecodeContext& ctx, Label& label) {
    ByteCursor& in = ctx.in;
    const size_t at = in.pos();
    in.expect("BITMAP ", "BITMAP");
    int64_t p[5];
    const char* names[5] = {"x", "y", "width in bytes", "height", "mode"};
    for (int i = 0; i < 5; ++i) {
        p[i] = in.number(std::string("the BITMAP ") + names[i]);
        in.expect(",", std::string("a comma after the BITMAP ") + names[i]);
    }
    if (p[2] <= 0 || p[3] < 0) in.failAt(at, "a BITMAP width above 0 bytes and a height of 0 or more");
    makeCanvas(ctx, label, at);
    const uint64_t bytesWidth = static_cast<uint64_t>(p[2]), rows = static_cast<uint64_t>(p[3]);
    ctx.checkDots(bytesWidth * 8 * rows, at, "a BITMAP");
    std::vector<uint8_t> inflated;
    std::span<const uint8_t> data;
    if (p[4] == 0) {
        data = in.take(bytesWidth * rows, "the BITMAP rows");
    } else if (p[4] == 3) {
        const int64_t zlen = in.number("the length of the zlib block");
        in.expect(",", "a comma after the zlib block length");
        if (zlen < 0) in.failAt(at, "a zlib block length of 0 or more");
        const size_t zat = in.pos();
        const std::string problem =
            inflateExactly(in.take(static_cast<size_t>(zlen), "the zlib block"), inflated, bytesWidth * rows);
        if (!problem.empty())
            in.failAt(zat, "a zlib block of " + std::to_string(bytesWidth * rows) + " bytes, but " + problem);
        data = inflated;
    } else {
        in.failAt(at, "BITMAP mode 0 (overwrite) or 3 (zlib), not " + std::to_string(p[4]));
    }
    in.expect("\r\n", "CR LF after the BITMAP data");
    Plane& plane = label.target != nullptr ? *label.target : label.page.black;
    label.page.inkOutside += drawRows(plane, p[0], p[1], data, bytesWidth, rows, true);
    label.tally.add(p[4] == 0 ? "raw" : "zlib", p[0], p[1], bytesWidth * 8, rows);
}

// One line of a label; true when it was the closing PRINT.
bool commandLine(DecodeContext& ctx, Label& label) {
    const size_t at = ctx.in.pos();
    const std::string_view text = ctx.in.line("a TSPL command");
    const size_t sp = text.find(' ');
    const std::string_view cmd = text.substr(0, sp);
    const std::string_view arg = sp == std::string_view::npos ? "" : text.substr(sp + 1);
    if (cmd.empty()) return false;
    if (cmd == "SIZE") {
        sizeCommand(ctx, label, arg, at);
    } else if (cmd == "GAP" || cmd == "BLINE") {
        mediaCommand(label, cmd, arg);
    } else if (cmd == "SPEED" || cmd == "DENSITY") {
        setSetting(label.page, cmd == "SPEED" ? "speed" : "darkness", std::string(arg));
    } else if (cmd == "CLS") {
        makeCanvas(ctx, label, at);
        label.cleared = true;
    } else if (cmd == "SETCOLOR") {
        makeCanvas(ctx, label, at);
        label.tally.flush(label.page, "BITMAP");
        label.target = &tsplSelectColour(ctx, label.page, arg, at);
    } else if (cmd == "PRINT") {
        const auto f = splitFields(arg);
        int64_t sets = 0, copies = 1;
        if (f.empty() || !parseInt(f[0], sets) || (f.size() > 1 && !parseInt(f[1], copies)) || f.size() > 2)
            ctx.in.failAt(at, "PRINT sets[,copies]");
        setSetting(label.page, "copies", std::to_string(sets) + " set(s) of " + std::to_string(copies));
        return true;
    } else {
        for (auto listed : kListed) {
            if (cmd == listed) {
                setSetting(label.page, std::string(cmd == "SET" ? text.substr(0, text.rfind(' ')) : cmd),
                           std::string(cmd == "SET" ? text.substr(text.rfind(' ') + 1) : arg));
                return false;
            }
        }
        for (auto other : kNotDrawn) {
            if (cmd == other) {
                label.page.graphics.push_back("not drawn: " + std::string(text.substr(0, 60)));
                return false;
            }
        }
        ctx.in.failAt(at, "a TSPL command (SIZE, GAP, BLINE, SPEED, DENSITY, CLS, BITMAP, PRINT ...)");
    }
    return false;
}

}  // namespace

void decodeTspl(DecodeContext& ctx) {
    ByteCursor& in = ctx.in;
    ctx.result.language = Language::Tspl;
    while (!in.atEnd()) {
        Label label;
        for (;;) {
            if (in.atEnd()) in.fail("PRINT closing the label");
            if (in.startsWith("BITMAP ")) {
                bitmapCommand(ctx, label);
            } else if (commandLine(ctx, label)) {
                break;
            }
        }
        if (!label.sized) in.fail("a label with a SIZE line");
        makeCanvas(ctx, label, in.pos());
        label.tally.flush(label.page, "BITMAP");
        if (!label.page.red.empty()) ctx.result.language = Language::TwoColourTspl;
        ctx.result.pages.push_back(std::move(label.page));
    }
}

void GraphicTally::add(const std::string& what, int64_t atX, int64_t atY, uint64_t width, uint64_t addRows) {
    if (count == 0) {
        kind = what;
        widthDots = width;
        x = atX;
        y = atY;
    } else if (what != kind) {
        kind = "mixed";
    }
    ++count;
    rows += addRows;
}

void GraphicTally::flush(Page& page, const std::string& name) {
    if (count == 0) return;
    std::string line = name + " at " + std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(widthDots) +
                       " x " + std::to_string(rows) + " dots, " + kind;
    if (count > 1) line += ", " + std::to_string(count) + " strips";
    page.graphics.push_back(line);
    *this = GraphicTally{};
}

}  // namespace kvrender
