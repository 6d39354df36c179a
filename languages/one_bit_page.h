// The per-page one-bit bitmap that every command-language generator encodes:
// allocation that reports failure instead of throwing, the conversion, and the
// end of the page (size log line and dump).
#pragma once

#include <cstdint>
#include <vector>

#include "base/dynamic_array.h"

// Resizes `bits` to `count` zero bytes. On allocation failure logs the fact
// with `what` naming the buffer and returns false (bits left empty).
bool allocPageBuffer(std::vector<uint8_t>& bits, uint64_t count, const char* what);
// Gray2Bytes over the whole page into `bits` (bytesWidth x height, zeroed).
void convertPage(const uint8_t* gray, std::vector<uint8_t>& bits, uint64_t bytesWidth, uint64_t height,
                 int16_t printMode);
// The end of every generator's page: logs the page's byte count, copies the
// bytes to the send-data dump and hands the array back.
DynamicArray* finishPage(DynamicArray* out);
