// Readers of TSPL, ZPL, CPCL, ESC/POS and device-protocol streams for the
// system tests. They know the command shapes the filter writes, decode every
// bitmap (hexadecimal, binary, zlib or Z64) and count its printed dots.
#include "tests/cups/printer_output.h"

#include <zlib.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace kvcups {
namespace {

struct Malformed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A cursor over the stream; every read is bounds-checked.
struct Reader {
    const std::string& s;
    size_t pos = 0;
    bool atEnd() const { return pos >= s.size(); }
    bool startsWith(const std::string& t) const { return s.compare(pos, t.size(), t) == 0; }
    void expect(const std::string& t) {
        if (!startsWith(t)) throw Malformed("expected \"" + t + "\" at byte " + std::to_string(pos));
        pos += t.size();
    }
    std::string line() {  // up to CR LF, which is consumed
        const size_t end = s.find("\r\n", pos);
        if (end == std::string::npos) throw Malformed("unterminated line at byte " + std::to_string(pos));
        std::string l = s.substr(pos, end - pos);
        pos = end + 2;
        return l;
    }
    std::string take(size_t n) {
        if (n > s.size() - pos) throw Malformed("stream ends inside a block at byte " + std::to_string(pos));
        std::string b = s.substr(pos, n);
        pos += n;
        return b;
    }
    uint8_t byte() { return static_cast<uint8_t>(take(1)[0]); }
    uint32_t le16() {
        const uint32_t lo = byte();
        return lo | (static_cast<uint32_t>(byte()) << 8);
    }
};

uint64_t countBits(const std::string& data, bool onesPrint) {
    uint64_t ones = 0;
    for (unsigned char c : data) ones += static_cast<unsigned>(std::popcount(c));
    return onesPrint ? ones : data.size() * 8 - ones;
}

std::vector<long> numbers(const std::string& text, char sep = ',') {
    std::vector<long> out;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(sep, start), text.size());
        const std::string field = text.substr(start, end - start);
        char* stop = nullptr;
        out.push_back(std::strtol(field.c_str(), &stop, 10));
        if (field.empty() || *stop != '\0') throw Malformed("not a number list: " + text);
        start = end + 1;
    }
    return out;
}

// Reads count decimal fields, each ended by sep (the last one too).
std::vector<long> readFields(Reader& r, int count, char sep) {
    std::vector<long> out;
    for (int i = 0; i < count; ++i) {
        const size_t end = r.s.find(sep, r.pos);
        if (end == std::string::npos || end - r.pos > 20)
            throw Malformed("missing field at byte " + std::to_string(r.pos));
        out.push_back(numbers(r.s.substr(r.pos, end - r.pos))[0]);
        r.pos = end + 1;
    }
    return out;
}

std::string inflateAll(const std::string& z, size_t expected) {
    std::string out(expected, '\0');
    uLongf len = static_cast<uLongf>(expected);
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &len, reinterpret_cast<const Bytef*>(z.data()),
                   static_cast<uLong>(z.size())) != Z_OK ||
        len != expected)
        throw Malformed("zlib block does not inflate to " + std::to_string(expected) + " bytes");
    return out;
}

std::string fromHex(const std::string& hex) {
    if (hex.size() % 2 != 0) throw Malformed("odd hexadecimal length");
    std::string out(hex.size() / 2, '\0');
    for (size_t i = 0; i < out.size(); ++i) {
        auto nib = [&](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            throw Malformed("bad hexadecimal digit");
        };
        out[i] = static_cast<char>(nib(hex[2 * i]) << 4 | nib(hex[2 * i + 1]));
    }
    return out;
}

std::string fromBase64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    uint32_t acc = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') break;
        const size_t v = alphabet.find(c);
        if (v == std::string::npos) throw Malformed("bad Base64 character");
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((acc >> bits) & 0xFF));
        }
    }
    return out;
}

uint16_t crc16Xmodem(const std::string& data) {
    uint16_t crc = 0;
    for (unsigned char c : data) {
        crc ^= static_cast<uint16_t>(c << 8);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021) : static_cast<uint16_t>(crc << 1);
    }
    return crc;
}

// Adds a strip to the page, merging strips of one colour into one bitmap.
void addStrip(PrintedPage& page, const std::string& colour, uint32_t bytesWidth, uint32_t rows, uint64_t ink) {
    for (auto& b : page.bitmaps) {
        if (b.colour == colour) {
            if (b.widthDots != bytesWidth * 8) throw Malformed("strips of different widths");
            b.rows += rows;
            b.inkDots += ink;
            return;
        }
    }
    page.bitmaps.push_back({colour, bytesWidth * 8, rows, ink});
}

template <typename Fn>
PrintedJob guarded(Fn fn) {
    PrintedJob job;
    try {
        fn(job);
    } catch (const Malformed& e) {
        job.error = e.what();
    }
    return job;
}

// ------------------------------------------------------------------ TSPL
// "BITMAP x,y,bytesWidth,rows,mode," then rows x bytesWidth raw bytes (mode 0)
// or a zlib block of the given length (mode 3); a 0 bit prints.
void tsplBitmap(Reader& r, PrintedPage& page, const std::string& colour) {
    r.expect("BITMAP ");
    const std::vector<long> p = readFields(r, 5, ',');
    if (p[2] <= 0 || p[3] < 0) throw Malformed("bad BITMAP parameters");
    const auto bytesWidth = static_cast<uint32_t>(p[2]);
    const auto rows = static_cast<uint32_t>(p[3]);
    std::string data;
    if (p[4] == 0) {
        data = r.take(static_cast<size_t>(bytesWidth) * rows);
    } else if (p[4] == 3) {
        const long zlen = readFields(r, 1, ',')[0];
        data = inflateAll(r.take(static_cast<size_t>(zlen)), static_cast<size_t>(bytesWidth) * rows);
    } else {
        throw Malformed("unknown BITMAP mode " + std::to_string(p[4]));
    }
    r.expect("\r\n");
    page.settings["BITMAP.x"] = std::to_string(p[0]);
    if (!page.settings.contains("BITMAP.y")) page.settings["BITMAP.y"] = std::to_string(p[1]);
    addStrip(page, colour, bytesWidth, rows, countBits(data, false));
}

}  // namespace

uint64_t PrintedPage::inkDots() const {
    uint64_t n = 0;
    for (const auto& b : bitmaps) n += b.inkDots;
    return n;
}

const PrintedBitmap* PrintedPage::bitmap(const std::string& colour) const {
    for (const auto& b : bitmaps)
        if (b.colour == colour) return &b;
    return nullptr;
}

PrintedJob parseTspl(const std::string& bytes) {
    return guarded([&](PrintedJob& job) {
        Reader r{bytes};
        while (!r.atEnd()) {
            PrintedPage page;
            std::string colour;
            for (;;) {
                if (r.startsWith("BITMAP ")) {
                    tsplBitmap(r, page, colour);
                    continue;
                }
                const std::string l = r.line();
                const size_t sp = l.find(' ');
                const std::string cmd = l.substr(0, sp);
                const std::string arg = sp == std::string::npos ? "" : l.substr(sp + 1);
                if (cmd == "SETCOLOR") {
                    colour = arg.substr(0, arg.find(' '));
                    if (colour == "RED") page.settings["SETCOLOR RED"] = arg.substr(4);
                    continue;
                }
                if (cmd.empty()) throw Malformed("empty TSPL line");
                page.settings[cmd == "SET" ? "SET " + arg.substr(0, arg.find(' ')) : cmd] = arg;
                if (cmd == "PRINT") break;
            }
            if (!page.settings.contains("SIZE") || !page.settings.contains("CLS"))
                throw Malformed("page without SIZE or CLS");
            job.pages.push_back(page);
        }
    });
}

PrintedJob parseZpl(const std::string& bytes) {
    return guarded([&](PrintedJob& job) {
        Reader r{bytes};
        if (r.startsWith("^^XX\r\n")) {
            job.job["prefix"] = "^^XX";
            r.pos += 6;
        }
        while (!r.atEnd()) {
            PrintedPage page;
            r.expect("^XA");
            const std::string head = r.line();  // ^LH0,0^MNx^LS0^POI^PWw^LLh
            for (size_t at = head.find('^'); at != std::string::npos;) {
                const size_t next = head.find('^', at + 1);
                const std::string cmd = head.substr(at, std::min(next, head.size()) - at);
                page.settings[cmd.substr(0, 3)] = cmd.substr(3);
                at = next;
            }
            const std::string pr = r.line(), sd = r.line();
            if (pr.rfind("^PR", 0) != 0 || sd.rfind("~SD", 0) != 0) throw Malformed("no ^PR / ~SD line");
            page.settings["^PR"] = pr.substr(3);
            page.settings["~SD"] = sd.substr(3);
            while (r.startsWith("^FO")) {
                page.settings["^FO"] = r.line().substr(3);
                r.expect("^GFA,");
                const std::vector<long> p = readFields(r, 3, ',');
                if (p[2] <= 0 || p[0] != p[1] || p[0] % p[2] != 0) throw Malformed("bad ^GFA parameters");
                std::string data;
                if (r.startsWith(":Z64:")) {
                    r.pos += 5;
                    const std::string rest = r.line();
                    const size_t c = rest.rfind(':');
                    if (c == std::string::npos || rest.size() - c != 5) throw Malformed("Z64 without CRC");
                    const std::string b64 = rest.substr(0, c);
                    char crc[5];
                    std::snprintf(crc, sizeof crc, "%04X", crc16Xmodem(b64));
                    if (rest.substr(c + 1) != crc) throw Malformed("Z64 CRC mismatch");
                    data = inflateAll(fromBase64(b64), static_cast<size_t>(p[0]));
                } else {
                    data = fromHex(r.take(static_cast<size_t>(p[0]) * 2));
                    r.expect("\r\n");
                }
                addStrip(page, "", static_cast<uint32_t>(p[2]), static_cast<uint32_t>(p[0] / p[2]),
                         countBits(data, true));
            }
            const std::string tail = r.line();
            if (tail.rfind("^PQ", 0) != 0 || tail.size() < 6 || tail.substr(tail.size() - 3) != "^XZ")
                throw Malformed("page does not end with ^PQn^XZ");
            page.settings["^PQ"] = tail.substr(3, tail.size() - 6);
            job.pages.push_back(page);
        }
    });
}

PrintedJob parseCpcl(const std::string& bytes) {
    return guarded([&](PrintedJob& job) {
        Reader r{bytes};
        while (!r.atEnd()) {
            PrintedPage page;
            r.expect("! ");
            page.settings["!"] = r.line();
            for (;;) {
                if (r.startsWith("EG ") || r.startsWith("CG ")) break;
                const std::string l = r.line();
                const size_t sp = l.find(' ');
                page.settings[l.substr(0, sp)] = sp == std::string::npos ? "" : l.substr(sp + 1);
            }
            const bool hex = r.startsWith("EG ");
            const std::string g = r.line();
            if (g.size() < 4 || g.back() != ' ') throw Malformed("graphic line without its trailing blank");
            std::vector<long> p = numbers(g.substr(3, g.size() - 4), ' ');
            if (p.size() != 4 || p[0] <= 0 || p[1] < 0) throw Malformed("bad graphic parameters");
            const size_t n = static_cast<size_t>(p[0]) * static_cast<size_t>(p[1]);
            const std::string data = hex ? fromHex(r.take(2 * n)) : r.take(n);
            page.settings["graphic"] = g.substr(0, 2);
            addStrip(page, "", static_cast<uint32_t>(p[0]), static_cast<uint32_t>(p[1]), countBits(data, true));
            r.expect("\r\n\r\nFORM\r\nPRINT\r\n");
            job.pages.push_back(page);
        }
    });
}

std::string hexOf(const std::string& b) {
    std::string out;
    char tmp[4];
    for (unsigned char c : b) {
        std::snprintf(tmp, sizeof tmp, "%s%02X", out.empty() ? "" : " ", c);
        out += tmp;
    }
    return out;
}

PrintedJob parseEscPos(const std::string& bytes) {
    return guarded([&](PrintedJob& job) {
        Reader r{bytes};
        r.expect("\x1b\x40");
        const std::string drawer1("\x1b\x70\x00\x19\xff", 5), drawer2("\x1b\x70\x01\x19\xff", 5);
        const std::string beep("\x1b\x42\x04\x01", 4), cut("\x1d\x56\x42\x00", 4);
        // Job start: any of beeper and drawer kicks before the first page.
        auto sequences = [&](std::string& seen) {
            for (bool more = true; more;) {
                more = false;
                for (const auto* s : {&drawer1, &drawer2, &beep, &cut}) {
                    if (r.startsWith(*s)) {
                        seen += r.take(s->size());
                        more = true;
                    }
                }
            }
        };
        std::string start;
        sequences(start);
        job.job["start"] = hexOf(start);
        while (r.startsWith(std::string("\x00", 1))) {
            PrintedPage page;
            r.pos += 1;
            std::string before;
            sequences(before);
            page.settings["before"] = hexOf(before);
            r.expect(std::string("\x1d\x76\x30\x00", 4));
            const uint32_t x = r.le16(), y = r.le16();
            const std::string data = r.take(static_cast<size_t>(x) * y);
            r.expect("\r\n\r\n");
            addStrip(page, "", x, y, countBits(data, true));
            int feeds = 0;
            while (r.startsWith(std::string("\x1d\x76\x30\x30", 4))) {
                r.pos += 4;
                const uint32_t fx = r.le16(), fy = r.byte();
                r.expect(std::string("\x00", 1));
                if (countBits(r.take(static_cast<size_t>(fx) * fy), true) != 0) throw Malformed("feed block with ink");
                ++feeds;
            }
            page.settings["feeds"] = std::to_string(feeds);
            std::string after;
            sequences(after);
            page.settings["after"] = hexOf(after);
            job.pages.push_back(page);
        }
        // Job end: whatever the last page left unclaimed belongs to the job end.
        std::string end;
        sequences(end);
        r.expect("\x1b\x40");
        if (!r.atEnd()) throw Malformed("bytes after the final ESC @");
        job.job["end"] = hexOf(end);
    });
}

PrintedJob parseDeviceFrames(const std::string& bytes) {
    return guarded([&](PrintedJob& job) {
        Reader r{bytes};
        PrintedPage page;
        int images = 0;
        while (!r.atEnd()) {
            r.expect("\xa3\x1e");
            const uint8_t type = r.byte();
            if (r.byte() != 0) throw Malformed("encrypted frame where none was expected");
            const uint32_t bodyLength = r.le16();
            const std::string body = r.take(bodyLength);
            const uint32_t crc = r.le16() | (r.le16() << 16);
            const uLong seed = type == 31 ? 0x76983521u : 0x76953521u;
            if (crc32(seed, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())) != crc)
                throw Malformed("frame CRC-32 mismatch at byte " + std::to_string(r.pos));
            if (body.size() < 5) throw Malformed("short frame body");
            const auto u8 = [&](size_t i) { return static_cast<uint8_t>(body[i]); };
            const uint32_t dataLength = u8(3) | (u8(4) << 8);
            if (dataLength + 5 != body.size()) throw Malformed("frame payload length mismatch");
            const std::string payload = body.substr(5);
            const std::string key = std::to_string(u8(1)) + "/" + std::to_string(u8(2));
            if (key == "5/11") {
                if (payload.size() != 7) throw Malformed("image start payload is not 7 bytes");
                page.bitmaps.clear();
                const uint32_t w = u8(5) | (u8(6) << 8), h = u8(7) | (u8(8) << 8);
                page.bitmaps.push_back({"", w, h, 0});
                ++images;
            } else if (key != "5/13" && key != "5/14" && key != "5/12") {
                page.settings[key] = hexOf(payload);
                if (key == "5/8") {  // the feed closes a page
                    page.settings["images"] = std::to_string(images);
                    job.pages.push_back(page);
                    page = PrintedPage{};
                    images = 0;
                }
            }
            job.job["type"] = std::to_string(type);
        }
        if (images != 0) throw Malformed("image transfer without a feed after it");
    });
}

}  // namespace kvcups
