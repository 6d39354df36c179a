// One-bit page buffers for the generators: a failed allocation is a logged,
// skipped page rather than a crash.
#include "languages/one_bit_page.h"

#include <new>
#include <stdexcept>

#include "base/debug_log.h"
#include "image/gray2bytes.h"

bool allocPageBuffer(std::vector<uint8_t>& bits, uint64_t count, const char* what) {
    try {
        bits.assign(count, 0);
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {}
    bits.clear();
    writeLogString("%s: %lu bytes can't be allocated, page skipped", what, static_cast<unsigned long>(count));
    return false;
}

void convertPage(const uint8_t* gray, std::vector<uint8_t>& bits, uint64_t bytesWidth, uint64_t height,
                 int16_t printMode) {
    Gray2Bytes(gray, bits.data(), static_cast<uint32_t>(bytesWidth), static_cast<uint32_t>(height), printMode);
}

DynamicArray* finishPage(DynamicArray* out) {
    writeLogString("array.size = %d,array.capacity = %d", out->size, out->capacity);
    writeDebugData(out->data, out->size);
    return out;
}
