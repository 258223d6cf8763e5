#pragma once
// Clears memory that held key, signature or hash state; the volatile writes keep
// the compiler from dropping the clear of a buffer that is about to die.
#include <cstddef>

namespace sgvr {

inline void SecureWipe(void* p, size_t n) {
    volatile unsigned char* v = static_cast<volatile unsigned char*>(p);
    while (n--) *v++ = 0;
}

}  // namespace sgvr
