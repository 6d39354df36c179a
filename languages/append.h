// Appending printer text to an output array: printf-style command lines and
// bitmap bytes as upper-case hexadecimal, both in bulk.
#pragma once

#include <cstdint>

#include "base/dynamic_array.h"

// Appends the formatted text (without its terminating NUL).
void appendText(DynamicArray* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Appends every byte as two upper-case hexadecimal digits, no separators.
void appendHex(DynamicArray* out, const uint8_t* bytes, uint64_t count);
