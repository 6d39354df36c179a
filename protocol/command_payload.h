// Small helpers of the command builders: payload assembly and the parsing of
// the text arguments (darkness, feed, MAC).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "protocol/send_pack.h"

// A command frame from a literal payload.
SendPack kvCommandBytes(uint8_t cmd, uint8_t subCmd, std::initializer_list<uint8_t> payload = {});

// Little-endian payload writer.
class PayloadWriter {
public:
    PayloadWriter& u8(uint32_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    PayloadWriter& u16(uint32_t v) { return u8(v).u8(v >> 8); }
    PayloadWriter& u32(uint32_t v) { return u16(v).u16(v >> 16); }
    PayloadWriter& raw(const uint8_t* data, size_t length) {
        bytes.insert(bytes.end(), data, data + length);
        return *this;
    }
    std::vector<uint8_t> bytes;
};

// Copies the text, turns every full-width comma into ",", and splits it at
// separator, skipping empty fields. A null text has no fields.
std::vector<std::string> kvSplitCommandText(const char* text, char separator);
// Decimal conversion of a field the way atoi reads it (leading digits, else 0).
long kvFieldNumber(const std::string& field);
