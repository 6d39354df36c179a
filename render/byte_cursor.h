// A bounds-checked reader over the printer bytes for the decoders: every read
// names what it expected, and damage is reported as a DecodeError carrying the
// byte offset where it was found.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kvrender {

struct DecodeError : std::runtime_error {
    DecodeError(uint64_t at, const std::string& what) : std::runtime_error(what), offset(at) {}
    uint64_t offset;
};

// Printable form of a few bytes for messages: text as it is, others as <1B>.
std::string showBytes(std::span<const uint8_t> bytes, size_t limit = 12);

class ByteCursor {
public:
    explicit ByteCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t pos() const { return pos_; }
    size_t size() const { return bytes_.size(); }
    size_t left() const { return bytes_.size() - pos_; }
    bool atEnd() const { return pos_ >= bytes_.size(); }
    std::span<const uint8_t> rest() const { return bytes_.subspan(pos_); }
    uint8_t peek(size_t ahead = 0) const { return ahead < left() ? bytes_[pos_ + ahead] : 0; }
    bool startsWith(std::string_view text) const;
    bool startsWith(std::span<const uint8_t> raw) const;

    [[noreturn]] void fail(const std::string& expected) const { failAt(pos_, expected); }
    [[noreturn]] void failAt(size_t at, const std::string& expected) const;

    // Consumes `text` or fails with "expected <what>".
    void expect(std::string_view text, const std::string& what);
    void expect(std::span<const uint8_t> raw, const std::string& what);
    // Consumes `text` when it is next.
    bool accept(std::string_view text);
    // The bytes up to CR LF (consumed, not returned); fails at the end of the stream.
    std::string_view line(const std::string& what);
    // Exactly n bytes, or fails naming `what`.
    std::span<const uint8_t> take(size_t n, const std::string& what);
    uint8_t u8(const std::string& what);
    uint32_t le16(const std::string& what);
    uint32_t le32(const std::string& what);
    // A decimal number (optional minus sign) of at most 9 digits.
    int64_t number(const std::string& what);
    // Skips spaces and tabs.
    void skipBlanks();
    void skip(size_t n) { pos_ += n < left() ? n : left(); }

private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

// A number from text such as "48mm" or " 3 mm": leading blanks, digits with an
// optional fraction; the rest is returned through `unit`. False when no digits.
bool parseMeasure(std::string_view text, double& value, std::string_view& unit);
// Comma-separated fields of a text, blanks around each trimmed.
std::vector<std::string_view> splitFields(std::string_view text, char separator = ',');
// A whole field as a decimal integer; false when it is not one (or too long).
bool parseInt(std::string_view field, int64_t& value);

}  // namespace kvrender
