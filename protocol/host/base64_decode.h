// Base64 decoding (RFC 4648, standard alphabet, "=" padding) of the frame
// bytes that JSON-wrapped printer replies carry.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The decoded bytes; nothing when the length is not a multiple of 4, a
// character is outside the alphabet, or the padding is misplaced.
std::optional<std::vector<uint8_t>> kvBase64Decode(std::string_view text);
