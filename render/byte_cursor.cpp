// Bounds-checked reading of printer bytes with offset-naming failures.
#include "render/byte_cursor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kvrender {

std::string showBytes(std::span<const uint8_t> bytes, size_t limit) {
    if (bytes.empty()) return "the end of the stream";
    std::string out = "\"";
    const size_t n = std::min(bytes.size(), limit);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t c = bytes[i];
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        }
    }
    out += n < bytes.size() ? "\"..." : "\"";
    return out;
}

bool ByteCursor::startsWith(std::string_view text) const {
    return left() >= text.size() && std::memcmp(bytes_.data() + pos_, text.data(), text.size()) == 0;
}

bool ByteCursor::startsWith(std::span<const uint8_t> raw) const {
    return left() >= raw.size() && std::equal(raw.begin(), raw.end(), bytes_.begin() + static_cast<ptrdiff_t>(pos_));
}

void ByteCursor::failAt(size_t at, const std::string& expected) const {
    const size_t where = std::min(at, bytes_.size());
    throw DecodeError(where, "byte " + std::to_string(where) + ": expected " + expected + ", found " +
                                 showBytes(bytes_.subspan(where)));
}

void ByteCursor::expect(std::string_view text, const std::string& what) {
    if (!startsWith(text)) fail(what);
    pos_ += text.size();
}

void ByteCursor::expect(std::span<const uint8_t> raw, const std::string& what) {
    if (!startsWith(raw)) fail(what);
    pos_ += raw.size();
}

bool ByteCursor::accept(std::string_view text) {
    if (!startsWith(text)) return false;
    pos_ += text.size();
    return true;
}

std::string_view ByteCursor::line(const std::string& what) {
    const auto* begin = bytes_.data() + pos_;
    const auto* end = bytes_.data() + bytes_.size();
    for (const auto* p = begin; p + 1 < end; ++p) {
        if (p[0] == '\r' && p[1] == '\n') {
            const std::string_view text(reinterpret_cast<const char*>(begin), static_cast<size_t>(p - begin));
            pos_ += text.size() + 2;
            return text;
        }
    }
    fail(what + " ended by CR LF");
}

std::span<const uint8_t> ByteCursor::take(size_t n, const std::string& what) {
    if (n > left()) {
        throw DecodeError(bytes_.size(), "byte " + std::to_string(bytes_.size()) + ": the stream ends inside " + what +
                                             " (" + std::to_string(n) + " bytes from byte " + std::to_string(pos_) +
                                             ", " + std::to_string(left()) + " present)");
    }
    const auto out = bytes_.subspan(pos_, n);
    pos_ += n;
    return out;
}

uint8_t ByteCursor::u8(const std::string& what) { return take(1, what)[0]; }

uint32_t ByteCursor::le16(const std::string& what) {
    const auto b = take(2, what);
    return b[0] | (static_cast<uint32_t>(b[1]) << 8);
}

uint32_t ByteCursor::le32(const std::string& what) {
    const auto b = take(4, what);
    return b[0] | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
}

int64_t ByteCursor::number(const std::string& what) {
    const size_t start = pos_;
    const bool negative = peek() == '-';
    if (negative) ++pos_;
    int64_t value = 0;
    int digits = 0;
    while (!atEnd() && peek() >= '0' && peek() <= '9') {
        if (++digits > 9) failAt(start, what + " (a number of at most 9 digits)");
        value = value * 10 + (peek() - '0');
        ++pos_;
    }
    if (digits == 0) failAt(start, what + " (a number)");
    return negative ? -value : value;
}

void ByteCursor::skipBlanks() {
    while (!atEnd() && (peek() == ' ' || peek() == '\t')) ++pos_;
}

bool parseMeasure(std::string_view text, double& value, std::string_view& unit) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    double v = 0;
    int digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 9) {
        v = v * 10 + (text[i++] - '0');
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10) {
            v += (text[i] - '0') * scale;
            ++digits;
        }
    }
    if (digits == 0) return false;
    while (i < text.size() && text[i] == ' ') ++i;
    value = v;
    unit = text.substr(i);
    while (!unit.empty() && unit.back() == ' ') unit.remove_suffix(1);
    return true;
}

std::vector<std::string_view> splitFields(std::string_view text, char separator) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(text.find(separator, start), text.size());
        std::string_view field = text.substr(start, end - start);
        while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
        while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
        out.push_back(field);
        if (end >= text.size()) break;
        start = end + 1;
    }
    return out;
}

bool parseInt(std::string_view field, int64_t& value) {
    size_t i = 0;
    const bool negative = !field.empty() && field[0] == '-';
    if (negative) i = 1;
    if (i == field.size() || field.size() - i > 9) return false;
    int64_t v = 0;
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9') return false;
        v = v * 10 + (field[i] - '0');
    }
    value = negative ? -v : v;
    return true;
}

}  // namespace kvrender
