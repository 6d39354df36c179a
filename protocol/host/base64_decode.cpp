// Table-driven base64 decoder for JSON-wrapped frames.
#include "protocol/host/base64_decode.h"

#include <array>

namespace {

constexpr std::array<int8_t, 256> makeTable() {
    std::array<int8_t, 256> t{};
    for (auto& v : t) v = -1;
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) t[uint8_t(alphabet[i])] = int8_t(i);
    return t;
}
constexpr std::array<int8_t, 256> kValue = makeTable();

}  // namespace

std::optional<std::vector<uint8_t>> kvBase64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int pad = 0;
        if (last && text[i + 3] == '=') pad = text[i + 2] == '=' ? 2 : 1;
        uint32_t group = 0;
        for (int k = 0; k < 4; ++k) {
            int8_t v = k >= 4 - pad ? 0 : kValue[uint8_t(text[i + k])];
            if (v < 0) return std::nullopt;
            group = group << 6 | uint32_t(v);
        }
        out.push_back(uint8_t(group >> 16));
        if (pad < 2) out.push_back(uint8_t(group >> 8));
        if (pad < 1) out.push_back(uint8_t(group));
    }
    return out;
}
