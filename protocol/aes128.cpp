// AES-128 block cipher and CBC chaining. The state is kept in column order
// (byte index = row + 4 x column), which is simply the block's byte order.
#include "protocol/aes128.h"

#include <array>
#include <cstring>

#ifndef KV_AES_KEY_HEX
#define KV_AES_KEY_HEX "2b7e151628aed2a6abf7158809cf4f3c"
#endif
#ifndef KV_AES_IV_HEX
#define KV_AES_IV_HEX "000102030405060708090a0b0c0d0e0f"
#endif

namespace {

constexpr uint8_t hexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    throw "AES key and IV must be 32 hexadecimal digits";
}

constexpr std::array<uint8_t, 16> parseHex16(const char (&text)[33]) {
    std::array<uint8_t, 16> out{};
    for (int i = 0; i < 16; ++i) out[i] = static_cast<uint8_t>(hexDigit(text[2 * i]) << 4 | hexDigit(text[2 * i + 1]));
    return out;
}

constexpr std::array<uint8_t, 16> kKey = parseHex16(KV_AES_KEY_HEX);
constexpr std::array<uint8_t, 16> kIv = parseHex16(KV_AES_IV_HEX);

constexpr uint8_t xtime(uint8_t x) { return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00)); }

constexpr uint8_t gmul(uint8_t a, uint8_t b) {
    uint8_t p = 0;
    for (int i = 0; i < 8; ++i) {
        if (b & 1) p ^= a;
        a = xtime(a);
        b >>= 1;
    }
    return p;
}

// S-box from the multiplicative inverse and the affine transform.
constexpr std::array<uint8_t, 256> makeSbox() {
    std::array<uint8_t, 256> box{};
    for (int x = 0; x < 256; ++x) {
        uint8_t inv = 0;
        for (int y = 1; y < 256 && x != 0; ++y)
            if (gmul(static_cast<uint8_t>(x), static_cast<uint8_t>(y)) == 1) inv = static_cast<uint8_t>(y);
        uint8_t s = inv;
        for (int r = 1; r <= 4; ++r) s ^= static_cast<uint8_t>((inv << r) | (inv >> (8 - r)));
        box[x] = static_cast<uint8_t>(s ^ 0x63);
    }
    return box;
}

constexpr std::array<uint8_t, 256> kSbox = makeSbox();

constexpr std::array<uint8_t, 256> makeInvSbox() {
    std::array<uint8_t, 256> inv{};
    for (int x = 0; x < 256; ++x) inv[kSbox[x]] = static_cast<uint8_t>(x);
    return inv;
}

constexpr std::array<uint8_t, 256> kInvSbox = makeInvSbox();

// 11 round keys of 16 bytes, rewritten by AES_Init.
uint8_t gRoundKeys[176];

void addRoundKey(uint8_t* s, int round) {
    for (int i = 0; i < 16; ++i) s[i] ^= gRoundKeys[round * 16 + i];
}

void subShift(uint8_t* s, const std::array<uint8_t, 256>& box, bool inverse) {
    uint8_t t[16];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            int from = inverse ? (c - r + 4) % 4 : (c + r) % 4;
            t[r + 4 * c] = box[s[r + 4 * from]];
        }
    std::memcpy(s, t, 16);
}

void mixColumns(uint8_t* s) {
    for (int c = 0; c < 4; ++c) {
        uint8_t* col = s + 4 * c;
        uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
        uint8_t all = a0 ^ a1 ^ a2 ^ a3;
        col[0] = static_cast<uint8_t>(a0 ^ all ^ xtime(a0 ^ a1));
        col[1] = static_cast<uint8_t>(a1 ^ all ^ xtime(a1 ^ a2));
        col[2] = static_cast<uint8_t>(a2 ^ all ^ xtime(a2 ^ a3));
        col[3] = static_cast<uint8_t>(a3 ^ all ^ xtime(a3 ^ a0));
    }
}

void invMixColumns(uint8_t* s) {
    for (int c = 0; c < 4; ++c) {
        uint8_t* col = s + 4 * c;
        uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
        col[0] = gmul(a0, 14) ^ gmul(a1, 11) ^ gmul(a2, 13) ^ gmul(a3, 9);
        col[1] = gmul(a0, 9) ^ gmul(a1, 14) ^ gmul(a2, 11) ^ gmul(a3, 13);
        col[2] = gmul(a0, 13) ^ gmul(a1, 9) ^ gmul(a2, 14) ^ gmul(a3, 11);
        col[3] = gmul(a0, 11) ^ gmul(a1, 13) ^ gmul(a2, 9) ^ gmul(a3, 14);
    }
}

void encryptBlock(uint8_t* s) {
    addRoundKey(s, 0);
    for (int round = 1; round <= 10; ++round) {
        subShift(s, kSbox, false);
        if (round != 10) mixColumns(s);
        addRoundKey(s, round);
    }
}

void decryptBlock(uint8_t* s) {
    addRoundKey(s, 10);
    for (int round = 9; round >= 0; --round) {
        subShift(s, kInvSbox, true);
        addRoundKey(s, round);
        if (round != 0) invMixColumns(s);
    }
}

}  // namespace

extern "C" {

const uint8_t AES128_Key[16] = {kKey[0], kKey[1], kKey[2],  kKey[3],  kKey[4],  kKey[5],  kKey[6],  kKey[7],
                                kKey[8], kKey[9], kKey[10], kKey[11], kKey[12], kKey[13], kKey[14], kKey[15]};
const uint8_t AES128_IVKey[16] = {kIv[0], kIv[1], kIv[2],  kIv[3],  kIv[4],  kIv[5],  kIv[6],  kIv[7],
                                  kIv[8], kIv[9], kIv[10], kIv[11], kIv[12], kIv[13], kIv[14], kIv[15]};

void AES_Init(const uint8_t* key) {
    if (key == nullptr) return;
    std::memcpy(gRoundKeys, key, 16);
    uint8_t rcon = 1;
    for (int i = 16; i < 176; i += 4) {
        uint8_t t[4] = {gRoundKeys[i - 4], gRoundKeys[i - 3], gRoundKeys[i - 2], gRoundKeys[i - 1]};
        if (i % 16 == 0) {
            uint8_t first = t[0];
            t[0] = static_cast<uint8_t>(kSbox[t[1]] ^ rcon);
            t[1] = kSbox[t[2]];
            t[2] = kSbox[t[3]];
            t[3] = kSbox[first];
            rcon = xtime(rcon);
        }
        for (int k = 0; k < 4; ++k) gRoundKeys[i + k] = gRoundKeys[i - 16 + k] ^ t[k];
    }
}

void AES_Encrypt(const uint8_t* source, uint8_t* destination, uint32_t length, const uint8_t* iv) {
    if (source == nullptr || destination == nullptr || iv == nullptr) return;
    if (source != destination) std::memmove(destination, source, length);
    const uint8_t* previous = iv;
    for (uint32_t off = 0; off + 16 <= length; off += 16) {
        uint8_t* block = destination + off;
        for (int i = 0; i < 16; ++i) block[i] ^= previous[i];
        encryptBlock(block);
        previous = block;
    }
}

void AES_Decrypt(uint8_t* destination, const uint8_t* source, uint32_t length, const uint8_t* iv) {
    if (source == nullptr || destination == nullptr || iv == nullptr) return;
    if (source != destination) std::memmove(destination, source, length);
    // Last block first, so each block's predecessor is still cipher text.
    for (uint32_t blocks = length / 16; blocks > 0; --blocks) {
        uint8_t* block = destination + (blocks - 1) * 16;
        const uint8_t* previous = blocks == 1 ? iv : block - 16;
        decryptBlock(block);
        for (int i = 0; i < 16; ++i) block[i] ^= previous[i];
    }
}

uint32_t AES_add_zeros(uint8_t* buffer, uint32_t length) {
    uint32_t padded = (length / 16 + 1) * 16;
    if (buffer != nullptr) std::memset(buffer + length, 0, padded - length);
    return padded;
}

}  // extern "C"
