// Base64 and CRC-16/XMODEM known answers (the Z64 form depends on both).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "languages/append.h"

#include "languages/base64.h"
#include "languages/crc16.h"

namespace {

std::string base64(const std::string& in) {
    std::string out(4 * ((in.size() + 2) / 3), '#');
    Base64Encode(reinterpret_cast<const uint8_t*>(in.data()), in.size(), out.data());
    return out;
}

uint16_t crc(const std::string& in) { return CRC16(reinterpret_cast<const uint8_t*>(in.data()), in.size()); }

TEST(Base64Encode, Rfc4648Vectors) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\x00\xFF\xFE", 3), "AP/+"},
        {std::string("\xFB\xEF", 2), "++8="},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(base64(in), want) << want;
}

TEST(Base64Encode, WritesExactlyTheEncodedLength) {
    char out[12];
    std::fill(std::begin(out), std::end(out), '#');
    const uint8_t in[] = {1, 2, 3, 4};
    EXPECT_EQ(Base64Encode(in, 4, out), out);
    EXPECT_EQ(std::string(out, 12), "AQIDBA==####");
}

TEST(AppendHex, EveryByteValueAcrossChunkBoundaries) {
    // 256 values repeated past the encoder's chunk size, upper-case digit pairs.
    std::vector<uint8_t> bytes(70000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
    DynamicArrayPtr out(dynamic_array_init(2));
    appendHex(out.get(), bytes.data(), bytes.size());
    ASSERT_EQ(out->size, 2 * 70000);
    static const char digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(out->data[2 * i], digits[bytes[i] >> 4]) << i;
        ASSERT_EQ(out->data[2 * i + 1], digits[bytes[i] & 15]) << i;
    }
}

TEST(CRC16, XmodemKnownAnswers) {
    EXPECT_EQ(crc("123456789"), 0x31C3);
    EXPECT_EQ(crc(""), 0x0000);
    EXPECT_EQ(crc("A"), 0x58E5);
    // Padding characters count: the CRC of a Z64 field covers the text as sent.
    EXPECT_NE(crc("Zg=="), crc("Zg"));
}

}  // namespace
