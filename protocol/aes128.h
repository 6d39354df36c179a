// AES-128 (FIPS-197) in CBC mode for the encrypted frames of printer family
// 163, with the protocol's fixed key and IV and its zero padding.
#pragma once

#include <cstdint>

extern "C" {

// The protocol's key and initialisation vector, set at build time
// (CMake cache variables KV_AES_KEY / KV_AES_IV). A printer must hold the same pair.
extern const uint8_t AES128_Key[16];
extern const uint8_t AES128_IVKey[16];

// Expands the key into the process-wide table of 11 round keys.
void AES_Init(const uint8_t* key);
// Copies source to destination (when they differ) and CBC-encrypts length / 16
// whole blocks of destination in place.
void AES_Encrypt(const uint8_t* source, uint8_t* destination, uint32_t length, const uint8_t* iv);
// Copies source to destination (when they differ) and CBC-decrypts length / 16
// whole blocks of destination in place.
void AES_Decrypt(uint8_t* destination, const uint8_t* source, uint32_t length, const uint8_t* iv);
// Appends zero bytes up to the next multiple of 16, or 16 zero bytes when the
// length already is one (always 1 to 16 bytes); the buffer needs the room.
// Returns the padded length.
uint32_t AES_add_zeros(uint8_t* buffer, uint32_t length);

}  // extern "C"
