#pragma once
#include <cstddef>
#include <cstdint>

namespace sgvrtool {

// Fills out from the operating system's random source; false when it cannot be read.
bool ReadSystemRandom(uint8_t* out, size_t length);

}  // namespace sgvrtool
