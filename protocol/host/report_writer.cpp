// JSON report building and the bounded store into the report fields.
#include "protocol/host/report_writer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

uint32_t kvLe16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

uint32_t kvLe32(const uint8_t* p) { return kvLe16(p) | kvLe16(p + 2) << 16; }

bool kvReadNumber(std::span<const uint8_t> bytes, uint32_t count, uint32_t* value) {
    if (count > 4 || count > bytes.size()) return false;
    uint32_t v = 0;
    for (uint32_t i = 0; i < count; ++i) v |= uint32_t(bytes[i]) << (8 * i);
    *value = v;
    return true;
}

std::string kvFormat(const char* format, ...) {
    char buffer[64];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return {};
    if (size_t(n) < sizeof buffer) return std::string(buffer, size_t(n));
    std::string out(size_t(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(out.data(), out.size(), format, args);
    va_end(args);
    out.resize(size_t(n));
    return out;
}

std::string kvPayloadText(std::span<const uint8_t> bytes) {
    const void* zero = bytes.empty() ? nullptr : std::memchr(bytes.data(), 0, bytes.size());
    size_t n = zero ? size_t(static_cast<const uint8_t*>(zero) - bytes.data()) : bytes.size();
    return std::string(reinterpret_cast<const char*>(bytes.data()), n);
}

bool kvStoreText(char* field, size_t size, const std::string& text) {
    if (size == 0) return false;
    if (text.size() >= size) {
        field[0] = '\0';
        return false;
    }
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

JsonReport::JsonReport() : root_(cJSON_CreateObject()) {}

JsonReport::JsonReport(cJSON* object) : root_(object ? object : cJSON_CreateObject()) {}

void JsonReport::add(const char* key, const std::string& value) {
    if (root_) cJSON_AddStringToObject(root_.get(), key, value.c_str());
}

std::string JsonReport::print() const {
    if (!root_) return {};
    char* text = cJSON_Print(root_.get());
    if (text == nullptr) return {};
    std::string out(text);
    cJSON_free(text);
    return out;
}

bool JsonReport::store(char* field, size_t size) const {
    std::string text = print();
    if (text.empty()) {
        if (size) field[0] = '\0';
        return false;
    }
    return kvStoreText(field, size, text);
}
