// Reading a fuzzer's input from the front: fixed-size numbers for the choices
// and settings a target makes, then the rest as data. Past the end every
// number reads as 0 and the rest is empty, so any input is usable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    template <typename T>
    T take() {
        T value{};
        const size_t n = sizeof(T) < left() ? sizeof(T) : left();
        if (n > 0) std::memcpy(&value, data_ + at_, n);
        at_ += n;
        return value;
    }
    // One of count choices (count > 0).
    size_t choose(size_t count) { return take<uint8_t>() % count; }
    std::span<const uint8_t> rest() { return take(left()); }
    std::span<const uint8_t> take(size_t count) {
        const size_t n = count < left() ? count : left();
        std::span<const uint8_t> part(data_ + at_, n);
        at_ += n;
        return part;
    }
    size_t left() const { return size_ - at_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};
