// Growable byte array: doubling growth, bulk appends that leave size and
// capacity exactly as byte-by-byte pushes would.
#include "base/dynamic_array.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

DynamicArray* dynamic_array_init(int32_t capacity) {
    if (capacity < 1) return nullptr;
    auto* array = static_cast<DynamicArray*>(std::malloc(sizeof(DynamicArray)));
    if (array == nullptr) return nullptr;
    array->data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(capacity)));
    if (array->data == nullptr) {
        std::free(array);
        return nullptr;
    }
    array->size = 0;
    array->capacity = capacity;
    return array;
}

namespace {

[[noreturn]] void growthFailed() {
    std::fputs("Memory realloc failed!\n", stderr);
    std::exit(1);
}

// Doubles the capacity once. The counts are signed 32-bit, so a doubling past
// 2^30 fails like a refused allocation.
void grow(DynamicArray* array) {
    const int64_t doubled = static_cast<int64_t>(array->capacity) * 2;
    if (doubled > INT32_MAX) growthFailed();
    void* moved = std::realloc(array->data, static_cast<size_t>(doubled));
    if (moved == nullptr) growthFailed();
    array->data = static_cast<uint8_t*>(moved);
    array->capacity = static_cast<int32_t>(doubled);
}

}  // namespace

void dynamic_array_push(DynamicArray* array, uint8_t byte) {
    if (array->size >= array->capacity) grow(array);
    array->data[array->size++] = byte;
}

void dynamic_array_push_more_data(DynamicArray* array, const void* bytes, int64_t count) {
    if (count <= 0) return;
    const auto* src = static_cast<const uint8_t*>(bytes);
    while (count > 0) {
        if (array->size >= array->capacity) grow(array);
        const int64_t room = array->capacity - array->size;
        const int64_t chunk = count < room ? count : room;
        std::memcpy(array->data + array->size, src, static_cast<size_t>(chunk));
        array->size += static_cast<int32_t>(chunk);
        src += chunk;
        count -= chunk;
    }
}

void dynamic_array_free(DynamicArray* array) {
    if (array == nullptr) return;
    std::free(array->data);
    std::free(array);
}
