// Builders that take text arguments (darkness, feed, WiFi MAC), the text
// splitting they share, and the in-place text replacement.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "protocol/command_builders.h"
#include "protocol/command_payload.h"
#include "protocol/frame.h"

namespace {

constexpr const char* kFullWidthComma = "\xEF\xBC\x8C";  // "，" in UTF-8

uint8_t cappedLevel(const std::string& field) {
    return std::min<uint8_t>(static_cast<uint8_t>(kvFieldNumber(field)), 15);
}

}  // namespace

SendPack kvCommandBytes(uint8_t cmd, uint8_t subCmd, std::initializer_list<uint8_t> payload) {
    return kvBuildCommand(cmd, subCmd, std::span<const uint8_t>(payload.begin(), payload.size()));
}

std::vector<std::string> kvSplitCommandText(const char* text, char separator) {
    std::vector<std::string> fields;
    if (text == nullptr) return fields;
    std::string copy;
    for (const char* p = text; *p != '\0';) {
        if (std::strncmp(p, kFullWidthComma, 3) == 0) {
            copy.push_back(',');
            p += 3;
        } else {
            copy.push_back(*p++);
        }
    }
    size_t start = 0;
    while (start <= copy.size()) {
        size_t end = copy.find(separator, start);
        if (end == std::string::npos) end = copy.size();
        if (end > start) fields.push_back(copy.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

long kvFieldNumber(const std::string& field) { return std::strtol(field.c_str(), nullptr, 10); }

extern "C" {

void strReplece(char* text, const char* pattern, const char* replacement) {
    if (text == nullptr || pattern == nullptr || replacement == nullptr) return;
    const size_t patternLength = std::strlen(pattern);
    const size_t replacementLength = std::strlen(replacement);
    if (patternLength == 0 || replacementLength > patternLength) return;
    char* out = text;
    for (const char* in = text; *in != '\0';) {
        if (std::strncmp(in, pattern, patternLength) == 0) {
            std::memmove(out, replacement, replacementLength);
            out += replacementLength;
            in += patternLength;
        } else {
            *out++ = *in++;
        }
    }
    *out = '\0';
}

SendPack setPrinterPrintDarknessData(const char* text) {
    const std::vector<std::string> fields = kvSplitCommandText(text, ',');
    if (fields.empty()) return kvGetEmptyProtocolPack();
    if (fields.size() == 1) return kvCommandBytes(5, 4, {0, cappedLevel(fields[0]), 0});
    return kvCommandBytes(5, 4, {3, cappedLevel(fields[0]), cappedLevel(fields[1])});
}

SendPack setPrinterPrintFeedData(const char* text) {
    const std::vector<std::string> fields = kvSplitCommandText(text, ',');
    if (fields.size() < 2) return kvGetEmptyProtocolPack();
    const uint8_t mode = static_cast<uint8_t>(kvFieldNumber(fields[0]));
    if (mode != 1 && mode != 2) return kvGetEmptyProtocolPack();
    const auto amount = static_cast<uint16_t>(kvFieldNumber(fields[1]));
    return kvCommandBytes(5, 8, {mode, static_cast<uint8_t>(amount), static_cast<uint8_t>(amount >> 8)});
}

SendPack setPrinterWiFiMacData(const char* text) {
    const std::vector<std::string> fields = kvSplitCommandText(text, ':');
    if (fields.size() < 6) return kvGetEmptyProtocolPack();
    PayloadWriter payload;
    for (int i = 0; i < 6; ++i) payload.u8(static_cast<uint32_t>(kvFieldNumber(fields[i])));
    return kvBuildCommand(3, 4, payload.bytes);
}

}  // extern "C"
