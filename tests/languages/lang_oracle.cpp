// Oracle implementation: mode rules, language decoders, job runner.
#include "tests/languages/lang_oracle.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>

#include "image/gray2bytes.h"

namespace langtest {

kvtest::RasterPage patternPage(uint32_t width, uint32_t height, uint32_t seed) {
    kvtest::RasterPage page = kvtest::grayPage(width, height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            page.data[y * width + x] = static_cast<uint8_t>(x * 37 + y * 71 + seed * 13);
    }
    return page;
}

kvtest::RasterPage noisePage(uint32_t width, uint32_t height, uint32_t seed) {
    kvtest::RasterPage page = kvtest::grayPage(width, height);
    std::mt19937 gen(seed);
    for (auto& b : page.data) b = static_cast<uint8_t>(gen());
    return page;
}

namespace {
bool isBlack(uint8_t v, uint32_t x, uint32_t y, int mode) {
    switch (mode) {
        case 0: return v <= 128;
        case 2: return v / 4 < OrderedBayer8[y % 8][x % 8];
        case 3: return v / 4 < ClusteredDot8[y % 8][x % 8];
        case 4: return v < OrderedBayer16[x % 16][y % 16];
        default: return v <= 160;
    }
}
}  // namespace

std::string expectedBits(const std::vector<uint8_t>& gray, uint32_t width, uint32_t height, int mode) {
    std::string bits(static_cast<size_t>(width / 8) * height, '\0');
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            if (isBlack(gray[y * width + x], x, y, mode))
                bits[y * (width / 8) + x / 8] |= static_cast<char>(0x80 >> (x % 8));
        }
    }
    return bits;
}

std::string inverted(std::string bits) {
    for (char& c : bits) c = static_cast<char>(~c);
    return bits;
}

std::string base64Decode(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    uint32_t acc = 0;
    int bitsHeld = 0;
    for (char c : text) {
        if (c == '=') break;
        const size_t v = alphabet.find(c);
        if (v == std::string::npos) throw std::runtime_error("bad Base64 character");
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bitsHeld += 6;
        if (bitsHeld >= 8) {
            bitsHeld -= 8;
            out.push_back(static_cast<char>((acc >> bitsHeld) & 0xFF));
        }
    }
    return out;
}

std::string inflateAll(const std::string& zipped, uint64_t rawSize) {
    std::string raw(rawSize + 16, '\0');
    uLongf len = raw.size();
    if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &len, reinterpret_cast<const Bytef*>(zipped.data()),
                   zipped.size()) != Z_OK) {
        throw std::runtime_error("zlib stream doesn't inflate");
    }
    raw.resize(len);
    return raw;
}

namespace {

// Bit-by-bit CRC-16/XMODEM, independent of the table the filter uses.
uint16_t crcXmodem(const std::string& s) {
    uint16_t crc = 0;
    for (unsigned char c : s) {
        crc ^= static_cast<uint16_t>(c << 8);
        for (int k = 0; k < 8; ++k) crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

std::string unhex(const std::string& text) {
    std::string out;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return out;
}

void expectAt(const std::string& s, size_t at, const std::string& what) {
    if (s.compare(at, what.size(), what) != 0)
        throw std::runtime_error("expected '" + what + "' at " + std::to_string(at));
}

size_t parseTsplBitmap(const std::string& job, size_t p, Field& f) {
    long x, y, rows, bw, mode, len = 0;
    int used = 0;
    if (std::sscanf(job.c_str() + p, "BITMAP %ld,%ld,%ld,%ld,%ld,%n", &x, &y, &bw, &rows, &mode, &used) < 5 || !used) {
        throw std::runtime_error("bad BITMAP line");
    }
    p += static_cast<size_t>(used);
    f.x = x, f.y = y, f.bytesWidth = static_cast<uint64_t>(bw), f.rows = static_cast<uint64_t>(rows);
    const uint64_t size = f.bytesWidth * f.rows;
    if (mode == 0) {
        f.kind = "raw";
        f.bits = job.substr(p, size);
        p += size;
    } else {
        int more = 0;
        std::sscanf(job.c_str() + p, "%ld,%n", &len, &more);
        p += static_cast<size_t>(more);
        f.kind = "zlib";
        f.declared = f.packedLength = static_cast<uint64_t>(len);
        f.bits = inflateAll(job.substr(p, static_cast<size_t>(len)), size);
        p += static_cast<size_t>(len);
    }
    expectAt(job, p, "\r\n");
    return p + 2;
}

}  // namespace

std::vector<Field> decodeTspl(const std::string& job) {
    std::vector<Field> fields;
    std::string color;
    size_t p = job.find("CLS\r\n");
    if (p == std::string::npos) throw std::runtime_error("no CLS");
    p += 5;
    while (p < job.size() && job.compare(p, 6, "PRINT ") != 0) {
        if (job.compare(p, 7, "BITMAP ") == 0) {
            Field f;
            f.color = color;
            p = parseTsplBitmap(job, p, f);
            fields.push_back(f);
            continue;
        }
        const size_t end = job.find("\r\n", p);
        if (end == std::string::npos) throw std::runtime_error("unterminated line");
        if (job.compare(p, 9, "SETCOLOR ") == 0) color = job.substr(p, end - p);  // tags the bitmaps that follow
        p = end + 2;
    }
    return fields;
}

std::vector<Field> decodeZpl(const std::string& format) {
    std::vector<Field> fields;
    for (size_t p = format.find("^FO"); p != std::string::npos; p = format.find("^FO", p)) {
        long x, y, a, b, bw;
        int used = 0;
        if (std::sscanf(format.c_str() + p, "^FO%ld,%ld,0\r\n^GFA,%ld,%ld,%ld,%n", &x, &y, &a, &b, &bw, &used) < 5 ||
            !used || a != b) {
            throw std::runtime_error("bad ^FO/^GFA");
        }
        p += static_cast<size_t>(used);
        Field f;
        f.x = x, f.y = y, f.bytesWidth = static_cast<uint64_t>(bw), f.rows = static_cast<uint64_t>(a / bw);
        f.declared = static_cast<uint64_t>(a);
        const size_t end = format.find("\r\n", p);
        const std::string body = format.substr(p, end - p);
        if (body.rfind(":Z64:", 0) == 0) {
            const size_t colon = body.rfind(':');
            const std::string text = body.substr(5, colon - 5);
            char crc[8];
            std::snprintf(crc, sizeof crc, "%04X", crcXmodem(text));
            if (body.substr(colon + 1) != crc) throw std::runtime_error("Z64 CRC mismatch");
            const std::string zipped = base64Decode(text);
            f.kind = "z64";
            f.packedLength = zipped.size();
            f.bits = inflateAll(zipped, f.declared);
        } else {
            f.kind = "hex";
            f.bits = unhex(body);
        }
        fields.push_back(f);
        p = end;
    }
    return fields;
}

std::string assemble(const std::vector<Field>& fields, uint64_t bytesWidth, uint64_t rows, int64_t top) {
    std::string page(bytesWidth * rows, '?');
    for (const auto& f : fields) {
        if (f.bytesWidth != bytesWidth || f.y < top || static_cast<uint64_t>(f.y - top) + f.rows > rows) {
            throw std::runtime_error("field outside the page");
        }
        page.replace(static_cast<size_t>(f.y - top) * bytesWidth, f.bits.size(), f.bits);
    }
    return page;
}

kvtest::FilterRun runLang(const LangJob& job, const kvtest::TempDir& dir) {
    kvtest::Ppd ppd;
    ppd.defaults = {{"DefaultResolution", job.resolution}};
    ppd.defaults.insert(ppd.defaults.end(), job.defaults.begin(), job.defaults.end());
    ppd.attributes = {{"KVAttr", "PrinterModel", job.model}};
    ppd.attributes.insert(ppd.attributes.end(), job.attributes.begin(), job.attributes.end());
    kvtest::FilterJob run;
    run.ppdPath = kvtest::writePpd(dir.path(), ppd);
    run.options = job.options;
    run.input = kvtest::rasterStream(job.pages);
    return kvtest::runFilter(run, dir.path());
}

kvtest::RasterPage leftColumns(const kvtest::RasterPage& page, uint32_t newWidth) {
    kvtest::RasterPage out = kvtest::grayPage(newWidth, page.height);
    for (uint32_t y = 0; y < page.height; ++y) {
        std::copy_n(page.data.begin() + y * page.width, newWidth, out.data.begin() + y * newWidth);
    }
    return out;
}

std::string tsplSetup(int widthMM, int heightMM, const std::string& mediaLine, int speed, int density) {
    return "SIZE " + std::to_string(widthMM) + "mm," + std::to_string(heightMM) + "mm\r\n" + mediaLine + "SPEED " +
           std::to_string(speed) + "\r\nDENSITY " + std::to_string(density) +
           "\r\nDIRECTION 0,0\r\nREFERENCE 0,0\r\nOFFSET 0.000\r\nSHIFT 0\r\nSET PEEL OFF\r\n"
           "SET CUTTER OFF\r\nSET PARTIAL_CUTTER OFF\r\nSET TEAR ON\r\nCLS\r\n";
}

}  // namespace langtest
