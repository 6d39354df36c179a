// Growable byte array that carries every page's printer bytes from a generator
// to the page loop. Capacity doubles when full; a failed growth ends the process.
#pragma once

#include <cstdint>
#include <memory>

struct DynamicArray {
    uint8_t* data;     // storage, owned by the array
    int32_t size;      // bytes in use
    int32_t capacity;  // bytes allocated
};

// Allocates an array with `capacity` bytes (at least 1) of storage; null on failure.
DynamicArray* dynamic_array_init(int32_t capacity);
// Appends one byte, doubling the capacity first when the array is full.
void dynamic_array_push(DynamicArray* array, uint8_t byte);
// Appends `count` bytes; size and capacity end as `count` single pushes leave them.
void dynamic_array_push_more_data(DynamicArray* array, const void* bytes, int64_t count);
// Releases storage and record; null is ignored.
void dynamic_array_free(DynamicArray* array);

// Owning handle for C++ callers.
struct DynamicArrayDeleter {
    void operator()(DynamicArray* array) const { dynamic_array_free(array); }
};
using DynamicArrayPtr = std::unique_ptr<DynamicArray, DynamicArrayDeleter>;
