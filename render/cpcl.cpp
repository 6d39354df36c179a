// CPCL decoder: the "! offset hres vres height quantity" header, PW, TONE,
// SPEED, the media lines, graphics in hexadecimal (EG) or binary (CG), and
// FORM / PRINT closing each label.
#include "render/decoders.h"
#include "render/encodings.h"

namespace kvrender {
namespace {

struct Label {
    Page page;
    bool haveWidth = false;
    GraphicTally tally;
};

void header(DecodeContext& ctx, Label& label) {
    const size_t at = ctx.in.pos();
    ctx.in.expect("! ", "\"! \" starting a CPCL label");
    const auto f = splitFields(ctx.in.line("the CPCL header"), ' ');
    int64_t v[5];
    if (f.size() != 5) ctx.in.failAt(at, "the CPCL header ! offset hres vres height quantity");
    for (size_t i = 0; i < 5; ++i)
        if (!parseInt(f[i], v[i]) || v[i] < 0) ctx.in.failAt(at, "the CPCL header ! offset hres vres height quantity");
    if (v[3] > 1000000) ctx.in.failAt(at, "a label height of at most a million dots");
    label.page.height = static_cast<uint32_t>(v[3]);
    setSetting(label.page, "resolution", std::to_string(v[1]) + " x " + std::to_string(v[2]) + " dpi");
    setSetting(label.page, "copies", std::to_string(v[4]));
    if (v[0] != 0) setSetting(label.page, "offset", std::to_string(v[0]));
}

void graphic(DecodeContext& ctx, Label& label) {
    ByteCursor& in = ctx.in;
    const size_t at = in.pos();
    const bool hex = in.startsWith("EG ");
    in.skip(3);
    int64_t p[4];
    const char* names[4] = {"width in bytes", "height", "x", "y"};
    for (int i = 0; i < 4; ++i) {
        in.skipBlanks();
        p[i] = in.number(std::string("the graphic's ") + names[i]);
    }
    in.skipBlanks();
    in.accept("\r\n");  // the data may follow on the next line
    if (p[0] <= 0 || p[1] < 0) in.failAt(at, "a graphic width above 0 bytes and a height of 0 or more");
    if (!label.haveWidth) in.failAt(at, "PW giving the label width before the graphic");
    if (label.page.black.empty() && label.page.width > 0 && label.page.height > 0)
        label.page.black = ctx.newPlane(label.page.width, label.page.height, at, "a label");
    const uint64_t bytes = static_cast<uint64_t>(p[0]) * static_cast<uint64_t>(p[1]);
    ctx.checkDots(bytes * 8, at, "a graphic");
    std::vector<uint8_t> decoded;
    std::span<const uint8_t> data;
    if (hex) {
        const size_t dat = in.pos();
        size_t bad = 0;
        auto d = fromHex(in.take(2 * bytes, "the EG hexadecimal data"), bad);
        if (!d) in.failAt(dat + bad, "a hexadecimal digit of the EG data");
        decoded = std::move(*d);
        data = decoded;
    } else {
        data = in.take(bytes, "the CG binary data");
    }
    label.page.inkOutside +=
        drawRows(label.page.black, p[2], p[3], data, static_cast<uint64_t>(p[0]), static_cast<uint64_t>(p[1]), false);
    label.tally.add(hex ? "hex (EG)" : "binary (CG)", p[2], p[3], static_cast<uint64_t>(p[0]) * 8,
                    static_cast<uint64_t>(p[1]));
}

// One line; true at PRINT.
bool commandLine(DecodeContext& ctx, Label& label) {
    const size_t at = ctx.in.pos();
    const std::string_view text = ctx.in.line("a CPCL command");
    const size_t sp = text.find(' ');
    const std::string_view cmd = text.substr(0, sp);
    const std::string_view arg = sp == std::string_view::npos ? "" : text.substr(sp + 1);
    int64_t v = 0;
    if (text.empty() || cmd == "FORM") return false;
    if (cmd == "PRINT") return true;
    if (cmd == "PW") {
        if (!parseInt(arg, v) || v < 0 || v > 1000000) ctx.in.failAt(at, "PW with a dot count");
        label.page.width = static_cast<uint32_t>(v);
        label.haveWidth = true;
    } else if (cmd == "TONE" || cmd == "CONTRAST") {
        setSetting(label.page, "darkness", std::string(arg));
    } else if (cmd == "SPEED") {
        setSetting(label.page, "speed", std::string(arg));
    } else if (cmd == "GAP-SENSE" || cmd == "BAR-SENSE" || cmd == "JOURNAL") {
        setSetting(label.page, "media tracking",
                   cmd == "GAP-SENSE"   ? "gaps"
                   : cmd == "BAR-SENSE" ? "black mark"
                                        : "continuous");
    } else if (cmd == "NO-PACE" || cmd == "PACE" || cmd == "TEAR" || cmd == "CUT") {
        setSetting(label.page, std::string(cmd), "on");
    } else {
        ctx.in.failAt(at, "a CPCL command (PW, TONE, SPEED, GAP-SENSE, EG, CG, FORM, PRINT ...)");
    }
    return false;
}

}  // namespace

void decodeCpcl(DecodeContext& ctx) {
    ByteCursor& in = ctx.in;
    ctx.result.language = Language::Cpcl;
    while (!in.atEnd()) {
        Label label;
        header(ctx, label);
        for (;;) {
            if (in.atEnd()) in.fail("PRINT closing the CPCL label");
            if (in.startsWith("EG ") || in.startsWith("CG ")) {
                graphic(ctx, label);
            } else if (commandLine(ctx, label)) {
                break;
            }
        }
        if (!label.haveWidth) in.fail("a CPCL label with a PW line");
        if (label.page.black.empty() && label.page.width > 0 && label.page.height > 0)
            label.page.black = ctx.newPlane(label.page.width, label.page.height, in.pos(), "a label");
        label.tally.flush(label.page, "graphic");
        ctx.result.pages.push_back(std::move(label.page));
    }
}

}  // namespace kvrender
