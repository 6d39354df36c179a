// Building one JSON report with cJSON (every value a string) and storing its
// formatted text in a fixed report field without ever overrunning it.
#pragma once

#include <cjson/cJSON.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

// Little-endian reads of payload bytes.
uint32_t kvLe16(const uint8_t* p);
uint32_t kvLe32(const uint8_t* p);

// Reads the first `count` bytes as a little-endian number; false when count
// is above 4 or more than the bytes there are.
bool kvReadNumber(std::span<const uint8_t> bytes, uint32_t count, uint32_t* value);

// printf into a std::string.
std::string kvFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Payload bytes as text: up to the first zero byte or the end.
std::string kvPayloadText(std::span<const uint8_t> bytes);

// Copies text into a field of `size` bytes (NUL included); false and an empty
// field when it does not fit.
bool kvStoreText(char* field, size_t size, const std::string& text);

class JsonReport {
public:
    JsonReport();
    // Takes an already parsed object (null gives an empty object).
    explicit JsonReport(cJSON* object);
    void add(const char* key, const std::string& value);
    void addInt(const char* key, int64_t value) { add(key, std::to_string(value)); }
    cJSON* object() const { return root_.get(); }
    // Formatted cJSON text, empty when printing fails.
    std::string print() const;
    // Prints into the field; false (field emptied) when it does not fit or
    // memory runs out.
    bool store(char* field, size_t size) const;

private:
    struct Deleter {
        void operator()(cJSON* item) const { cJSON_Delete(item); }
    };
    std::unique_ptr<cJSON, Deleter> root_;
};
