// Text and hexadecimal appends for the command-language generators. Hex digits
// are computed a chunk of bytes at a time into a buffer, never a printf per byte.
#include "languages/append.h"

#include <cstdarg>
#include <cstdio>
#include <string>

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
    constexpr uint64_t kChunk = 16384;
    char text[2 * kChunk];
    while (count > 0) {
        const uint64_t n = count < kChunk ? count : kChunk;
        // Digits by arithmetic rather than a table, so the compiler can work
        // on many bytes at once: 0-9 from '0', 10-15 from 'A'.
        for (uint64_t i = 0; i < n; ++i) {
            const unsigned hi = bytes[i] >> 4, lo = bytes[i] & 15u;
            text[2 * i] = static_cast<char>(hi + (hi > 9 ? 'A' - 10 : '0'));
            text[2 * i + 1] = static_cast<char>(lo + (lo > 9 ? 'A' - 10 : '0'));
        }
        dynamic_array_push_more_data(out, text, static_cast<int64_t>(2 * n));
        bytes += n;
        count -= n;
    }
}
