#pragma once
// CRC-32 register with the reflected polynomial 0xEDB88320. The images keep
// the bare register: started at 0xFFFFFFFF and never inverted at the end.

#include <cstddef>
#include <cstdint>

namespace sgvr {

constexpr uint32_t kCrcStart = 0xFFFFFFFFu;

uint32_t Crc32Update(uint32_t reg, const uint8_t* data, size_t size);

}  // namespace sgvr
