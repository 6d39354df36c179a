// Device print job: one grey page to the complete frame stream of a portable
// device model (settings commands, Huffman-coded image transfer, feed).
#pragma once

#include <cstdint>

#include "base/dynamic_array.h"
#include "languages/job_settings.h"

DynamicArray* getKVProtocolPrintData(const uint8_t* page, int64_t width, uint64_t height, const JobSettings* settings,
                                     uint32_t devType);
