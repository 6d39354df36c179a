// Hexadecimal, Base64, CRC-16/XMODEM and zlib decoding for the decoders.
#include "render/encodings.h"

#include <zlib.h>

#include <array>

namespace kvrender {
namespace {

constexpr std::array<int8_t, 256> makeHexTable() {
    std::array<int8_t, 256> t{};
    for (auto& v : t) v = -1;
    for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<int8_t>(i);
    for (int i = 0; i < 6; ++i) {
        t['A' + i] = static_cast<int8_t>(10 + i);
        t['a' + i] = static_cast<int8_t>(10 + i);
    }
    return t;
}
constexpr auto kHex = makeHexTable();

constexpr std::array<int8_t, 256> makeBase64Table() {
    std::array<int8_t, 256> t{};
    for (auto& v : t) v = -1;
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) t[static_cast<uint8_t>(alphabet[i])] = static_cast<int8_t>(i);
    return t;
}
constexpr auto kBase64 = makeBase64Table();

constexpr std::array<uint16_t, 256> makeCrc16Table() {
    std::array<uint16_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        uint16_t crc = static_cast<uint16_t>(i << 8);
        for (int b = 0; b < 8; ++b)
            crc = (crc & 0x8000) != 0 ? static_cast<uint16_t>((crc << 1) ^ 0x1021) : static_cast<uint16_t>(crc << 1);
        t[static_cast<size_t>(i)] = crc;
    }
    return t;
}
constexpr auto kCrc16 = makeCrc16Table();

}  // namespace

std::optional<std::vector<uint8_t>> fromHex(std::span<const uint8_t> text, size_t& badIndex) {
    std::vector<uint8_t> out(text.size() / 2);
    for (size_t i = 0; i < text.size(); ++i) {
        if (kHex[text[i]] < 0) {
            badIndex = i;
            return std::nullopt;
        }
    }
    if (text.size() % 2 != 0) {
        badIndex = text.size();
        return std::nullopt;
    }
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint8_t>(kHex[text[2 * i]] << 4 | kHex[text[2 * i + 1]]);
    return out;
}

std::optional<std::vector<uint8_t>> fromBase64(std::span<const uint8_t> text, size_t& badIndex) {
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    uint32_t acc = 0;
    int bits = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] != '='; ++i) {
        const int v = kBase64[text[i]];
        if (v < 0) {
            badIndex = i;
            return std::nullopt;
        }
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<uint8_t>(acc >> bits));
        }
    }
    for (; i < text.size(); ++i) {  // only padding may follow
        if (text[i] != '=') {
            badIndex = i;
            return std::nullopt;
        }
    }
    return out;
}

uint16_t crc16Xmodem(std::span<const uint8_t> bytes) {
    uint16_t crc = 0;
    for (uint8_t b : bytes) crc = static_cast<uint16_t>(kCrc16[((crc >> 8) ^ b) & 0xFF] ^ (crc << 8));
    return crc;
}

std::string inflateExactly(std::span<const uint8_t> z, std::vector<uint8_t>& out, size_t expected) {
    if (z.size() > 0xFFFFFFFFu || expected > 0xFFFFFFFFu) return "a zlib block too large";
    out.assign(expected, 0);
    z_stream s{};
    if (inflateInit(&s) != Z_OK) return "zlib could not start";
    s.next_in = const_cast<Bytef*>(z.data());
    s.avail_in = static_cast<uInt>(z.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(expected);
    int rc = inflate(&s, Z_FINISH);
    const size_t produced = expected - s.avail_out;
    if (rc == Z_BUF_ERROR && s.avail_out == 0) {  // more data than announced?
        uint8_t probe = 0;
        s.next_out = &probe;
        s.avail_out = 1;
        rc = inflate(&s, Z_FINISH);
        inflateEnd(&s);
        return rc == Z_STREAM_END && s.avail_out == 1
                   ? ""
                   : "the zlib data holds more than the " + std::to_string(expected) + " bytes announced";
    }
    const std::string message = s.msg != nullptr ? s.msg : "truncated";
    inflateEnd(&s);
    if (rc == Z_STREAM_END && produced == expected) return "";
    if (rc == Z_STREAM_END) {
        return "the zlib data holds " + std::to_string(produced) + " bytes, not the " + std::to_string(expected) +
               " announced";
    }
    return "the zlib data does not inflate (" + message + ")";
}

}  // namespace kvrender
