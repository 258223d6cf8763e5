#pragma once
// 64x64 -> 128-bit multiply-accumulate. Uses the compiler's 128-bit type where there
// is one (x86-64) and four 32-bit products elsewhere (i686 has no __int128).
// SGVR_PORTABLE_WIDE_MUL forces the 32-bit path, so host tests can run it.
#include <cstdint>

#if defined(__x86_64__) && !defined(SGVR_PORTABLE_WIDE_MUL)
#include <x86intrin.h>
#define SGVR_X86_64_CARRY 1
#endif

// Hot field primitives must be inlined into the point formulas; compilers decline
// on size otherwise.
#if defined(__GNUC__)
#define SGVR_FORCE_INLINE __attribute__((always_inline)) inline
#else
#define SGVR_FORCE_INLINE inline
#endif

namespace sgvr {

// Returns the low word of a * b + c + d and leaves the high word in hi.
// The sum cannot overflow 128 bits.
inline uint64_t MulAdd64(uint64_t a, uint64_t b, uint64_t c, uint64_t d, uint64_t& hi) {
#if defined(__SIZEOF_INT128__) && !defined(SGVR_PORTABLE_WIDE_MUL)
    const unsigned __int128 t = static_cast<unsigned __int128>(a) * b + c + d;
    hi = static_cast<uint64_t>(t >> 64);
    return static_cast<uint64_t>(t);
#else
    const uint64_t al = static_cast<uint32_t>(a), ah = a >> 32;
    const uint64_t bl = static_cast<uint32_t>(b), bh = b >> 32;
    const uint64_t ll = al * bl, lh = al * bh, hl = ah * bl, hh = ah * bh;
    // Middle column: at most 3 * (2^32 - 1), no overflow.
    const uint64_t mid = (ll >> 32) + static_cast<uint32_t>(lh) + static_cast<uint32_t>(hl);
    uint64_t lo = (mid << 32) | static_cast<uint32_t>(ll);
    uint64_t h = hh + (lh >> 32) + (hl >> 32) + (mid >> 32);
    lo += c;
    h += lo < c;
    lo += d;
    h += lo < d;
    hi = h;
    return lo;
#endif
}

// Low word of a + b + c; the high word (0..2) goes to hi.
inline uint64_t AddWide64(uint64_t a, uint64_t b, uint64_t c, uint64_t& hi) {
#if defined(__SIZEOF_INT128__) && !defined(SGVR_PORTABLE_WIDE_MUL)
    const unsigned __int128 t = static_cast<unsigned __int128>(a) + b + c;
    hi = static_cast<uint64_t>(t >> 64);
    return static_cast<uint64_t>(t);
#else
    uint64_t lo = a + b;
    uint64_t h = lo < b;
    lo += c;
    h += lo < c;
    hi = h;
    return lo;
#endif
}

// Sum with carry in and out (carry is 0 or 1).
inline uint64_t AddCarry64(uint64_t a, uint64_t b, uint64_t& carry) {
#if defined(SGVR_X86_64_CARRY)
    unsigned long long r;
    carry = _addcarry_u64(static_cast<unsigned char>(carry), a, b, &r);
    return r;
#else
    const uint64_t s = a + b;
    const uint64_t c1 = s < a;
    const uint64_t r = s + carry;
    carry = c1 | (r < s);
    return r;
#endif
}

// Difference with borrow in and out (borrow is 0 or 1).
inline uint64_t SubBorrow64(uint64_t a, uint64_t b, uint64_t& borrow) {
#if defined(SGVR_X86_64_CARRY)
    unsigned long long r;
    borrow = _subborrow_u64(static_cast<unsigned char>(borrow), a, b, &r);
    return r;
#else
    const uint64_t d = a - b;
    const uint64_t b1 = a < b;
    const uint64_t r = d - borrow;
    borrow = b1 | (d < borrow);
    return r;
#endif
}

// High word of a * b.
inline uint64_t MulHigh64(uint64_t a, uint64_t b) {
    uint64_t hi;
    MulAdd64(a, b, 0, 0, hi);
    return hi;
}

}  // namespace sgvr
