#pragma once
// A read-only view of caller-owned bytes.

#include <cstddef>
#include <cstdint>

namespace sgvr {

struct ByteView {
    const uint8_t* data = nullptr;
    size_t size = 0;

    ByteView() = default;
    ByteView(const uint8_t* d, size_t n) : data(d), size(n) {}

    bool empty() const { return size == 0; }
    const uint8_t* begin() const { return data; }
    const uint8_t* end() const { return data + size; }
};

}  // namespace sgvr
