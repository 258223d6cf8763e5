#pragma once
// Little-endian appending to a byte vector, for the image writer.

#include <cstdint>
#include <vector>

namespace sgvr {

inline void PutU8(std::vector<uint8_t>& out, uint8_t v) { out.push_back(v); }

inline void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void PutBytes(std::vector<uint8_t>& out, const uint8_t* data, size_t size) {
    out.insert(out.end(), data, data + size);
}

}  // namespace sgvr
