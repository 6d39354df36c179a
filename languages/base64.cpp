// Base64 encoder for Z64 graphic fields.
#include "languages/base64.h"

namespace {
constexpr char ALPHA_BASE[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}  // namespace

char* Base64Encode(const uint8_t* src, uint64_t len, char* dst) {
    char* p = dst;
    uint64_t i = 0;
    for (; i + 3 <= len; i += 3) {
        const uint32_t v = (uint32_t{src[i]} << 16) | (uint32_t{src[i + 1]} << 8) | src[i + 2];
        p[0] = ALPHA_BASE[(v >> 18) & 63];
        p[1] = ALPHA_BASE[(v >> 12) & 63];
        p[2] = ALPHA_BASE[(v >> 6) & 63];
        p[3] = ALPHA_BASE[v & 63];
        p += 4;
    }
    const uint64_t rest = len - i;
    if (rest > 0) {
        // Missing bytes of the last group count as 0; their characters become '='.
        const uint32_t v = (uint32_t{src[i]} << 16) | (rest == 2 ? uint32_t{src[i + 1]} << 8 : 0u);
        p[0] = ALPHA_BASE[(v >> 18) & 63];
        p[1] = ALPHA_BASE[(v >> 12) & 63];
        p[2] = rest == 2 ? ALPHA_BASE[(v >> 6) & 63] : '=';
        p[3] = '=';
    }
    return dst;
}
