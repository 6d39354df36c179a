// ESC/POS decoder for receipt printers: raster images (GS v 0), line and dot
// feeds, cuts, drawer kicks, beeps and initialisation. The paper is one
// continuous strip: a picture runs from its first raster image to the next
// cut (or the end of the job), with feeds kept as blank paper and feeds and
// cuts marked.
#include <cmath>

#include "render/decoders.h"

namespace kvrender {
namespace {

struct Segment {
    uint32_t bytesWidth = 0;  // 0: blank paper (a feed)
    uint32_t rows = 0;
    std::span<const uint8_t> data;
};

struct Receipt {
    bool open = false;
    std::vector<Segment> segments;
    std::vector<Mark> marks;
    std::vector<std::string> before, after;
    uint64_t rows = 0;
    size_t startedAt = 0;
    bool anyPage = false;
    std::vector<std::string> pending;  // events while no picture is open
    uint32_t lineSpacing = 34;
    uint32_t dpi = 203;
};

void event(Receipt& r, const std::string& what) { (r.open ? r.after : r.pending).push_back(what); }

void feed(Receipt& r, uint32_t rows, const std::string& note) {
    if (!r.open) {
        r.pending.push_back(note);
        return;
    }
    r.marks.push_back({Mark::Kind::Feed, static_cast<uint32_t>(r.rows), rows, note});
    r.segments.push_back({0, rows, {}});
    r.rows += rows;
}

std::string joined(const std::vector<std::string>& events) {
    std::string out;
    for (const auto& e : events) out += (out.empty() ? "" : ", ") + e;
    return out;
}

void closePicture(DecodeContext& ctx, Receipt& r) {
    if (!r.open) return;
    Page page;
    uint32_t widthBytes = 0;
    for (const auto& s : r.segments) widthBytes = std::max(widthBytes, s.bytesWidth);
    ctx.checkDots(static_cast<uint64_t>(widthBytes) * 8 * r.rows, r.startedAt, "a receipt");
    page.width = widthBytes * 8;
    page.height = static_cast<uint32_t>(r.rows);
    page.black = ctx.newPlane(page.width, page.height, r.startedAt, "a receipt");
    uint64_t y = 0;
    GraphicTally tally;
    for (const auto& s : r.segments) {
        if (s.bytesWidth != 0) {
            drawRows(page.black, 0, static_cast<int64_t>(y), s.data, s.bytesWidth, s.rows, false);
            tally.add("raster", 0, static_cast<int64_t>(y), uint64_t{s.bytesWidth} * 8, s.rows);
        }
        y += s.rows;
    }
    tally.flush(page, "GS v 0");
    page.marks = std::move(r.marks);
    setSetting(page, "size", std::to_string(page.width) + " dots wide, " + std::to_string(page.height) + " long");
    if (!r.before.empty()) setSetting(page, "before", joined(r.before));
    if (!r.after.empty()) setSetting(page, "after", joined(r.after));
    ctx.result.pages.push_back(std::move(page));
    const uint32_t spacing = r.lineSpacing, dpi = r.dpi;
    r = Receipt{};
    r.lineSpacing = spacing;
    r.dpi = dpi;
    r.anyPage = true;
}

void raster(DecodeContext& ctx, Receipt& r) {
    ByteCursor& in = ctx.in;
    const size_t at = in.pos();
    in.skip(3);
    const uint8_t mode = in.u8("the GS v 0 mode");
    if (mode != 0 && mode != 48) in.failAt(at + 3, "raster mode 0 or 48 (normal size), not " + std::to_string(mode));
    const uint32_t x = in.le16("the raster width"), y = in.le16("the raster height");
    ctx.checkDots(uint64_t{x} * 8 * y, at, "a raster image");
    const auto data = in.take(static_cast<size_t>(x) * y, "the raster image rows");
    bool blank = true;
    for (uint8_t b : data) blank = blank && b == 0;
    if (!r.open) {
        r.open = true;
        r.startedAt = at;
        if (r.anyPage) {
            r.before = r.pending;
        } else {
            ctx.result.job.emplace_back("start", joined(r.pending));
        }
        r.pending.clear();
    }
    if (blank && x > 0 && y > 0)
        r.marks.push_back({Mark::Kind::Feed, static_cast<uint32_t>(r.rows), y, "blank raster block"});
    r.segments.push_back({x, y, data});
    r.rows += y;
}

// One command at the cursor (not a raster image).
void command(DecodeContext& ctx, Receipt& r) {
    ByteCursor& in = ctx.in;
    const size_t at = in.pos();
    const uint8_t c = in.u8("an ESC/POS command");
    if (c == 0x00 || c == 0x0D) return;  // NUL and carriage return move no paper
    if (c == 0x0A) return feed(r, r.lineSpacing, "line feed");
    if (c == 0x1B) {
        const uint8_t op = in.u8("the ESC command letter");
        if (op == '@') return event(r, "initialise");
        if (op == 'p') {
            const uint8_t pin = in.u8("the drawer pin");
            in.take(2, "the drawer pulse times");
            return event(r, pin == 0 ? "drawer 1 kick" : "drawer 2 kick");
        }
        if (op == 'B') {
            const uint8_t times = in.u8("the beep count");
            in.u8("the beep duration");
            return event(r, "beep x" + std::to_string(times));
        }
        if (op == 'J') return feed(r, in.u8("the ESC J dot count"), "dot feed");
        if (op == 'd') return feed(r, r.lineSpacing * in.u8("the ESC d line count"), "line feed");
        if (op == '2') {
            r.lineSpacing = static_cast<uint32_t>(std::lround(r.dpi / 6.0));
            return;
        }
        if (op == '3') {
            r.lineSpacing = in.u8("the ESC 3 line spacing");
            return;
        }
        in.failAt(at, "an ESC command the filter writes (ESC @, ESC p, ESC B, ESC J, ESC d)");
    }
    if (c == 0x1D && in.peek() == 'V') {
        in.skip(1);
        const uint8_t m = in.u8("the GS V cut mode");
        if (m == 65 || m == 66) in.u8("the GS V feed amount");
        const bool partial = m == 1 || m == 49 || m == 66;
        if (!r.open) return r.pending.push_back(partial ? "partial cut" : "full cut");
        r.marks.push_back({Mark::Kind::Cut, static_cast<uint32_t>(r.rows), 0, partial ? "partial cut" : "full cut"});
        return closePicture(ctx, r);
    }
    in.failAt(at, "an ESC/POS command (ESC @, GS v 0, GS V, ESC p, ESC B, LF ...)");
}

}  // namespace

void decodeEscPos(DecodeContext& ctx) {
    ByteCursor& in = ctx.in;
    ctx.result.language = Language::EscPos;
    Receipt r;
    r.dpi = ctx.options.dpi != 0 ? ctx.options.dpi : 203;
    r.lineSpacing = static_cast<uint32_t>(std::lround(r.dpi / 6.0));
    static constexpr uint8_t kRaster[] = {0x1D, 'v', '0'};
    while (!in.atEnd()) {
        if (in.startsWith(kRaster)) {
            raster(ctx, r);
        } else {
            command(ctx, r);
        }
    }
    closePicture(ctx, r);
    if (!r.pending.empty()) ctx.result.job.emplace_back("end", joined(r.pending));
}

}  // namespace kvrender
