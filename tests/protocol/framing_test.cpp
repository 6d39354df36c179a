// Frame layout, CRC-32 seeds, AES-128 vectors and the module state's derived
// values of the device protocol.
#include <gtest/gtest.h>

#include <cstring>

#include "protocol/aes128.h"
#include "protocol/crc32.h"
#include "protocol/frame.h"
#include "protocol/protocol_state.h"
#include "tests/protocol/protocol_test_util.h"

using namespace kvptest;

namespace {

Bytes frameOf(ProtocolPackHead head, const Bytes& payload) {
    return take(kvGetProtocolPack(head, payload.empty() ? nullptr : payload.data()));
}

Bytes hex(const char* text) {
    Bytes out;
    for (size_t i = 0; text[i] && text[i + 1]; i += 2)
        out.push_back(uint8_t(std::stoi(std::string(text + i, 2), nullptr, 16)));
    return out;
}

}  // namespace

TEST(Crc32, MatchesBitwiseReferenceWithBothSeeds) {
    Bytes data;
    for (int i = 0; i < 1000; ++i) data.push_back(uint8_t(i * 37 + 11));
    for (uint32_t seed : {kKvCrcSeed, kKvCrcSeedType31, 0u}) {
        EXPECT_EQ(HAL_KV_crc32(seed, data.data(), uint32_t(data.size())), referenceCrc(seed, data));
        // Split anywhere: two buffers continue the same register.
        EXPECT_EQ(HAL_KV_crc32_twoBuff(seed, data.data(), 333, data.data() + 333, uint32_t(data.size() - 333)),
                  referenceCrc(seed, data));
        EXPECT_EQ(HAL_KV_crc32_twoBuff(seed, data.data(), 10, nullptr, 0),
                  referenceCrc(seed, Bytes(data.begin(), data.begin() + 10)));
    }
    // Seed 0 is plain CRC-32: the check value of "123456789".
    const char* check = "123456789";
    EXPECT_EQ(HAL_KV_crc32(0, reinterpret_cast<const uint8_t*>(check), 9), 0xCBF43926u);
    EXPECT_EQ(HAL_KV_crc32(kKvCrcSeed, nullptr, 0), kKvCrcSeed);
    EXPECT_EQ(KV_crc32tab[1], 0x77073096u);
}

TEST(Aes128, Fips197AppendixC1) {
    Bytes key = hex("000102030405060708090a0b0c0d0e0f");
    Bytes block = hex("00112233445566778899aabbccddeeff");
    Bytes zeroIv(16, 0);
    AES_Init(key.data());
    AES_Encrypt(block.data(), block.data(), 16, zeroIv.data());
    EXPECT_EQ(block, hex("69c4e0d86a7b0430d8cdb78070b4c55a"));
    Bytes plain(16);
    AES_Decrypt(plain.data(), block.data(), 16, zeroIv.data());
    EXPECT_EQ(plain, hex("00112233445566778899aabbccddeeff"));
}

TEST(Aes128, CbcVectorsOfSp800_38a) {
    Bytes key = hex("2b7e151628aed2a6abf7158809cf4f3c");
    Bytes iv = hex("000102030405060708090a0b0c0d0e0f");
    Bytes plain =
        hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
            "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
    Bytes cipher(plain.size());
    AES_Init(key.data());
    AES_Encrypt(plain.data(), cipher.data(), uint32_t(plain.size()), iv.data());
    EXPECT_EQ(cipher, hex("7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
                          "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"));
    Bytes back = cipher;
    AES_Decrypt(back.data(), back.data(), uint32_t(back.size()), iv.data());
    EXPECT_EQ(back, plain);
}

TEST(Aes128, ZeroPaddingAlwaysAddsOneToSixteenBytes) {
    uint8_t buffer[64];
    std::memset(buffer, 0xAA, sizeof buffer);
    EXPECT_EQ(AES_add_zeros(buffer, 5), 16u);
    EXPECT_EQ(buffer[5], 0);
    EXPECT_EQ(buffer[15], 0);
    EXPECT_EQ(buffer[16], 0xAA);
    EXPECT_EQ(AES_add_zeros(buffer, 16), 32u);
    EXPECT_EQ(AES_add_zeros(buffer, 0), 16u);
    EXPECT_EQ(AES_add_zeros(buffer, 31), 32u);
}

TEST(Frame, ClearCommandWithoutPayload) {
    ProtocolStateGuard state(28);
    Bytes frame = frameOf({5, 9, 0, 1, 1, 0}, {});
    ASSERT_EQ(frame.size(), 15u);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 11), (Bytes{0xA3, 0x1E, 0x1C, 0x00, 0x05, 0x00, 0x11, 5, 9, 0, 0}));
    EXPECT_EQ(le32(frame, 11), referenceCrc(0x76953521u, {0x11, 5, 9, 0, 0}));
}

TEST(Frame, PayloadKindByteAndFamilies) {
    const Bytes payload{1, 2, 3};
    struct Case {
        uint32_t type;
        uint8_t replyFlag;
        size_t prefix;
        uint32_t seed;
    };
    for (Case c : {Case{28, 1, 2, 0x76953521u}, Case{31, 1, 2, 0x76983521u}, Case{27, 0, 2, 0x76953521u},
                   Case{163, 1, 0, 0x76953521u}}) {
        ProtocolStateGuard state(c.type);
        Bytes frame = frameOf({5, 13, 0, 1, c.replyFlag, 3}, payload);
        ASSERT_EQ(frame.size(), c.prefix + 9 + 3 + 4) << c.type;
        if (c.prefix) {
            EXPECT_EQ(frame[0], 0xA3);
        }
        EXPECT_EQ(frame[c.prefix], uint8_t(c.type));
        EXPECT_EQ(frame[c.prefix + 2], 8);  // body length 3 + 5
        Bytes body(frame.begin() + c.prefix + 4, frame.end() - 4);
        EXPECT_EQ(body, (Bytes{uint8_t(0x10 | c.replyFlag), 5, 13, 3, 0, 1, 2, 3}));
        EXPECT_EQ(le32(frame, frame.size() - 4), referenceCrc(c.seed, body)) << c.type;
    }
}

TEST(Frame, EncryptedFamily163DecryptsToTheClearBody) {
    ProtocolStateGuard state(163);
    struct Case {
        Bytes payload;
        size_t cipherLength;
    };
    // 5 body bytes pad to 16; a body of exactly 16 bytes pads to 32.
    for (const Case& c : {Case{{}, 16}, Case{Bytes(11, 0x5A), 32}, Case{Bytes(12, 7), 32}}) {
        Bytes frame = frameOf({1, 1, 2, 1, 1, uint16_t(c.payload.size())}, c.payload);
        ASSERT_EQ(frame.size(), 4 + c.cipherLength + 4);
        EXPECT_EQ(frame[0], 0xA3);
        EXPECT_EQ(frame[1], 0x20);
        EXPECT_EQ(frame[2] | frame[3] << 8, int(c.cipherLength));
        Bytes cipher(frame.begin() + 4, frame.end() - 4);
        EXPECT_EQ(le32(frame, frame.size() - 4), referenceCrc(0x76953521u, cipher));
        AES_Init(AES128_Key);
        AES_Decrypt(cipher.data(), cipher.data(), uint32_t(cipher.size()), AES128_IVKey);
        Bytes body(c.cipherLength, 0);
        body[0] = 0x11, body[1] = 1, body[2] = 1, body[3] = uint8_t(c.payload.size());
        std::copy(c.payload.begin(), c.payload.end(), body.begin() + 5);
        EXPECT_EQ(cipher, body);
    }
}

TEST(Frame, OversizedPayloadIsRefusedNotTruncated) {
    ProtocolStateGuard state(28);
    Bytes big(70000, 1);
    EXPECT_TRUE(take(kvBuildCommand(5, 13, big)).empty());
    EXPECT_EQ(take(kvBuildCommand(5, 13, std::span(big).first(65530))).size(), 65530u + 15);
    uint32_t length = 99;
    EXPECT_EQ(HAL_KV_Protocol_PacketBuid({5, 13, 0, 1, 1, 65531}, big.data(), &length), nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(HAL_KV_Protocol_PacketBuid({5, 13, 0, 1, 1, 4}, nullptr, &length), nullptr);
    ProtocolStateGuard encrypted(163);
    EXPECT_TRUE(take(kvBuildCommand(5, 13, std::span(big).first(65515))).empty());
    EXPECT_EQ(take(kvBuildCommand(5, 13, std::span(big).first(65514))).size(), 4u + 65520 + 4);
}

TEST(ProtocolState, PrintWidthAndImagePackageBudget) {
    {
        ProtocolStateGuard state(28);
        EXPECT_EQ(getMaxWidthDot_l(), 2592);
        EXPECT_EQ(getPrintImageOnePackageWithImageWidthByte(324), 1944u);
        EXPECT_EQ(getImageOnePackageLength(), 1944u);
        EXPECT_EQ(getPrintImageOnePackageWithImageWidthByte(1), 2012u);
        std::strcpy(kvConnectionCache()->widthMaxDotStr, "576");
        EXPECT_EQ(getMaxWidthDot_l(), 576);
        kvClearConnectionCache();
        EXPECT_EQ(getMaxWidthDot_l(), 2592);
    }
    struct Case {
        uint32_t type;
        int32_t width;
    };
    for (Case c : {Case{163, 96}, Case{30, 96}, Case{27, 384}, Case{5, 0}, Case{31, 0}}) {
        ProtocolStateGuard state(c.type);
        EXPECT_EQ(getMaxWidthDot_l(), c.width) << c.type;
    }
    ProtocolStateGuard state(163, 2048);
    EXPECT_EQ(getPrintImageOnePackageWithImageWidthByte(2), 2014u);
    // Rows wider than the budget: ten rows per package.
    EXPECT_EQ(getPrintImageOnePackageWithImageWidthByte(3000), 30000u);
    setMaxDataLengthOnePackage(20);
    EXPECT_EQ(getPrintImageOnePackageWithImageWidthByte(4), 40u);
    EXPECT_EQ(getPrintImageOnePackageWithImageWidthByte(0), 0u);
}

TEST(ProtocolState, DownloadProgressFollowsDownloadFrames) {
    ProtocolStateGuard state(28);
    Bytes start{1, 2, 0, 4, 0, 2, 4, 0, 0x10, 0x27, 0, 0};  // tag 2 = 10000 bytes
    take(kvBuildCommand(2, 1, start));
    EXPECT_EQ(kvDownFileProgress()->totalLength, 10000u);
    EXPECT_EQ(kvDownFileProgress()->currentLength, 0u);
    Bytes piece{1, 0, 4, 0, 100, 0, 0, 0, 9, 9, 9, 9};
    take(kvBuildCommand(2, 3, piece));
    EXPECT_EQ(kvDownFileProgress()->currentLength, 0u);
    piece = {2, 0, 4, 0, 0x64, 0x10, 0, 0, 9, 9, 9, 9};  // offset 4196
    take(kvBuildCommand(2, 3, piece));
    EXPECT_EQ(kvDownFileProgress()->currentLength, 4096u);
}

TEST(ProtocolState, ClearingTheConnectionCacheForgetsWhatThePrinterReported) {
    std::strcpy(kvConnectionCache()->snStr, "X1");
    kvConnectionCache()->pVer = 3;
    kvClearConnectionCache();
    EXPECT_EQ(kvConnectionCache()->snStr[0], '\0');
    EXPECT_EQ(kvConnectionCache()->pVer, 0u);
}
