// Text and hexadecimal appends for the command-language generators. Hex goes
// through a 256-entry digit-pair table into a chunk buffer, never a printf per byte.
#include "languages/append.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

constexpr std::array<char, 512> makeHexPairs() {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<char, 512> pairs{};
    for (int b = 0; b < 256; ++b) {
        pairs[2 * b] = digits[b >> 4];
        pairs[2 * b + 1] = digits[b & 15];
    }
    return pairs;
}
constexpr std::array<char, 512> kHexPairs = makeHexPairs();

}  // namespace

void appendText(DynamicArray* out, const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof line) {
        dynamic_array_push_more_data(out, line, n);
        return;
    }
    // Longer than any command line of these languages; format again at full size.
    std::string longLine(static_cast<size_t>(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(longLine.data(), longLine.size(), format, args);
    va_end(args);
    dynamic_array_push_more_data(out, longLine.data(), n);
}

void appendHex(DynamicArray* out, const uint8_t* bytes, uint64_t count) {
    constexpr uint64_t kChunk = 4096;
    char text[2 * kChunk];
    while (count > 0) {
        const uint64_t n = count < kChunk ? count : kChunk;
        for (uint64_t i = 0; i < n; ++i) {
            text[2 * i] = kHexPairs[2 * bytes[i]];
            text[2 * i + 1] = kHexPairs[2 * bytes[i] + 1];
        }
        dynamic_array_push_more_data(out, text, static_cast<int64_t>(2 * n));
        bytes += n;
        count -= n;
    }
}
