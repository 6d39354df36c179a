// Stand-in for the device print job until it is written: an empty page.
#include "protocol/device_print.h"

DynamicArray* getKVProtocolPrintData(const uint8_t*, int64_t, uint64_t, const JobSettings*, uint32_t) {
    return dynamic_array_init(2);
}
