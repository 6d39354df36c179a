// ZPL decoder, and its SF variant (a leading "^^XX" line): label formats from
// ^XA to ^XZ with their size (^PW, ^LL), media tracking (^MN), rate (^PR),
// darkness (~SD), orientation (^PO), home (^LH), field origins (^FO) and
// graphic fields ^GFA in hexadecimal or Z64 (zlib, Base64, CRC-16 checked).
#include "render/decoders.h"
#include "render/encodings.h"

#include <cstdio>

namespace kvrender {
namespace {

struct Format {
    Page page;
    int64_t homeX = 0, homeY = 0, fieldX = 0, fieldY = 0;
    bool haveWidth = false, haveLength = false;
    GraphicTally tally;
};

bool isCommandChar(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// The parameter text of a command: up to the next ^ or ~ or line end.
std::string_view parameters(ByteCursor& in) {
    const auto rest = in.rest();
    size_t n = 0;
    while (n < rest.size() && rest[n] != '^' && rest[n] != '~' && rest[n] != '\r' && rest[n] != '\n') ++n;
    const std::string_view text(reinterpret_cast<const char*>(rest.data()), n);
    in.skip(n);
    return text;
}

void makeCanvas(DecodeContext& ctx, Format& f, size_t at) {
    if (!f.haveWidth || !f.haveLength) ctx.in.failAt(at, "^PW and ^LL giving the label size before it is drawn on");
    if (f.page.black.empty() && f.page.width > 0 && f.page.height > 0)
        f.page.black = ctx.newPlane(f.page.width, f.page.height, at, "a label");
}

// The data of ^GFA: ":Z64:<Base64>:<CRC>" or hexadecimal digits.
std::vector<uint8_t> graphicData(DecodeContext& ctx, uint64_t total, bool& z64) {
    ByteCursor& in = ctx.in;
    z64 = in.accept(":Z64:");
    const size_t at = in.pos();
    const std::string_view text = parameters(in);
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    size_t bad = 0;
    if (!z64) {
        if (text.size() != 2 * total) {
            const auto decoded = fromHex(bytes, bad);
            if (!decoded) in.failAt(at + bad, "a hexadecimal digit of the ^GFA data");
            in.failAt(
                at, std::to_string(2 * total) + " hexadecimal digits of ^GFA data, not " + std::to_string(text.size()));
        }
        auto decoded = fromHex(bytes, bad);
        if (!decoded) in.failAt(at + bad, "a hexadecimal digit of the ^GFA data");
        return std::move(*decoded);
    }
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || text.size() - colon != 5)
        in.failAt(at, "Z64 data ending in a colon and four CRC digits");
    const auto b64 = bytes.first(colon);
    char crc[8];
    std::snprintf(crc, sizeof crc, "%04X", crc16Xmodem(b64));
    if (text.substr(colon + 1) != crc)
        in.failAt(at + colon + 1, std::string("the Z64 CRC ") + crc + " of the Base64 text");
    auto z = fromBase64(b64, bad);
    if (!z) in.failAt(at + bad, "a Base64 character of the Z64 data");
    std::vector<uint8_t> out;
    const std::string problem = inflateExactly(*z, out, total);
    if (!problem.empty()) in.failAt(at, "Z64 data of " + std::to_string(total) + " bytes, but " + problem);
    return out;
}

void graphicField(DecodeContext& ctx, Format& f, size_t at) {
    ByteCursor& in = ctx.in;
    in.expect("A,", "^GFA (ASCII graphic field)");
    const int64_t total = in.number("the ^GFA byte count");
    in.expect(",", "a comma after the ^GFA byte count");
    const int64_t field = in.number("the ^GFA field count");
    in.expect(",", "a comma after the ^GFA field count");
    const int64_t rowBytes = in.number("the ^GFA bytes per row");
    in.expect(",", "a comma after the ^GFA bytes per row");
    if (total < 0 || rowBytes <= 0 || total % rowBytes != 0 || field != total)
        in.failAt(at, "^GFA counts where the field count equals the byte count, a whole number of rows");
    makeCanvas(ctx, f, at);
    ctx.checkDots(static_cast<uint64_t>(total) * 8, at, "a graphic field");
    bool z64 = false;
    const auto data = graphicData(ctx, static_cast<uint64_t>(total), z64);
    const uint64_t rows = static_cast<uint64_t>(total / rowBytes);
    const int64_t x = f.homeX + f.fieldX, y = f.homeY + f.fieldY;
    f.page.inkOutside += drawRows(f.page.black, x, y, data, static_cast<uint64_t>(rowBytes), rows, false);
    f.tally.add(z64 ? "Z64" : "hex", x, y, static_cast<uint64_t>(rowBytes) * 8, rows);
}

void originOrHome(DecodeContext& ctx, std::string_view params, int64_t& x, int64_t& y, size_t at, const char* what) {
    const auto p = splitFields(params);
    if (p.size() < 2 || !parseInt(p[0], x) || !parseInt(p[1], y)) ctx.in.failAt(at, std::string(what) + " x,y");
}

void sizeCommand(DecodeContext& ctx, Format& f, std::string_view name, std::string_view params, size_t at) {
    int64_t v = 0;
    if (!parseInt(params, v) || v < 0 || v > 1000000) ctx.in.failAt(at, std::string(name) + " with a dot count");
    if (name == "^PW") {
        f.page.width = static_cast<uint32_t>(v);
        f.haveWidth = true;
    } else {
        f.page.height = static_cast<uint32_t>(v);
        f.haveLength = true;
    }
    setSetting(f.page, "size", std::to_string(f.page.width) + " x " + std::to_string(f.page.height) + " dots");
}

// One command of a label format; true at ^XZ.
bool command(DecodeContext& ctx, Format& f) {
    ByteCursor& in = ctx.in;
    const size_t at = in.pos();
    if ((in.peek() != '^' && in.peek() != '~') || !isCommandChar(in.peek(1)) || !isCommandChar(in.peek(2)))
        in.fail("a ZPL command (^ or ~ and two letters)");
    const std::string name(reinterpret_cast<const char*>(in.rest().data()), 3);
    in.skip(3);
    if (name == "^GF") {
        graphicField(ctx, f, at);
        return false;
    }
    const std::string_view params = parameters(in);
    if (name == "^XZ") return true;
    if (name == "^PW" || name == "^LL") {
        sizeCommand(ctx, f, name, params, at);
    } else if (name == "^LH") {
        originOrHome(ctx, params, f.homeX, f.homeY, at, "^LH");
    } else if (name == "^FO") {
        originOrHome(ctx, params, f.fieldX, f.fieldY, at, "^FO");
    } else if (name == "^MN") {
        const char* kinds[] = {"continuous", "gaps", "black mark"};
        const size_t k = params == "N" ? 0 : params == "W" || params == "Y" ? 1 : params == "M" ? 2 : 3;
        setSetting(f.page, "media tracking",
                   (k < 3 ? std::string(kinds[k]) : std::string("other")) + " (^MN" + std::string(params) + ")");
    } else if (name == "^PR" || name == "~SD" || name == "^PQ") {
        setSetting(f.page, name == "^PR" ? "speed" : name == "~SD" ? "darkness" : "copies", std::string(params));
    } else if (name == "^PO") {
        setSetting(f.page, "orientation",
                   params == "I" ? "inverted, 180 degrees (^POI; shown as sent)" : std::string(params));
    } else if (name == "^LS" || name == "^LT" || name == "^MM" || name == "^MT") {
        setSetting(f.page, name, std::string(params));
    } else if (name != "^FS") {
        f.page.graphics.push_back("not drawn: " + name + std::string(params.substr(0, 40)));
    }
    return false;
}

void skipLineEnds(ByteCursor& in) {
    while (!in.atEnd() && (in.peek() == '\r' || in.peek() == '\n' || in.peek() == ' ')) in.skip(1);
}

}  // namespace

void decodeZpl(DecodeContext& ctx) {
    ByteCursor& in = ctx.in;
    ctx.result.language = Language::Zpl;
    if (in.accept("^^XX\r\n")) {
        ctx.result.language = Language::SfZpl;
        ctx.result.job.emplace_back("SF prefix", "^^XX");
    }
    for (skipLineEnds(in); !in.atEnd(); skipLineEnds(in)) {
        Format f;
        in.expect("^XA", "^XA starting a label format");
        for (;;) {
            skipLineEnds(in);
            if (in.atEnd()) in.fail("^XZ closing the label format");
            if (command(ctx, f)) break;
        }
        makeCanvas(ctx, f, in.pos());
        f.tally.flush(f.page, "^GFA");
        ctx.result.pages.push_back(std::move(f.page));
    }
}

}  // namespace kvrender
