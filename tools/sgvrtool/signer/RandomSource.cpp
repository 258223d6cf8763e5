#include "RandomSource.h"

#include <cstdio>

namespace sgvrtool {

bool ReadSystemRandom(uint8_t* out, size_t length) {
    FILE* f = std::fopen("/dev/urandom", "rb");
    if (!f) return false;
    const size_t got = std::fread(out, 1, length, f);
    std::fclose(f);
    return got == length;
}

}  // namespace sgvrtool
