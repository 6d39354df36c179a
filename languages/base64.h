// Base64 (RFC 4648, standard alphabet, '=' padding, no line breaks), used for
// the Z64 form of ZPL graphic fields.
#pragma once

#include <cstdint>

// Writes exactly 4 * ceil(len / 3) characters to dst (no NUL) and returns dst.
char* Base64Encode(const uint8_t* src, uint64_t len, char* dst);
