#pragma once
// Unsigned 256-bit integers as four 64-bit limbs, least significant first. The
// 32-byte external form is big-endian.
#include <cstddef>
#include <cstdint>

#include "arith/Wide64.h"

namespace sgvr {

struct CBigNum256 {
    uint64_t w[4];

    static CBigNum256 Zero() { return CBigNum256{{0, 0, 0, 0}}; }
    static CBigNum256 FromU64(uint64_t v) { return CBigNum256{{v, 0, 0, 0}}; }
    static CBigNum256 FromBytesBE(const uint8_t bytes[32]);
    void ToBytesBE(uint8_t bytes[32]) const;

    bool IsZero() const { return (w[0] | w[1] | w[2] | w[3]) == 0; }
    bool IsOdd() const { return w[0] & 1; }
    int Bit(int i) const { return static_cast<int>((w[i >> 6] >> (i & 63)) & 1); }
    // Bits [pos, pos + count) as a number; count <= 32.
    uint32_t Bits(int pos, int count) const;
    // Index of the highest set bit, -1 for zero.
    int BitLength() const;
};

// -1, 0 or 1.
inline int Compare(const CBigNum256& a, const CBigNum256& b) {
    for (int i = 3; i >= 0; --i) {
        if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
    }
    return 0;
}
inline bool operator==(const CBigNum256& a, const CBigNum256& b) {
    return ((a.w[0] ^ b.w[0]) | (a.w[1] ^ b.w[1]) | (a.w[2] ^ b.w[2]) | (a.w[3] ^ b.w[3])) == 0;
}
inline bool operator!=(const CBigNum256& a, const CBigNum256& b) { return !(a == b); }
inline bool operator<(const CBigNum256& a, const CBigNum256& b) { return Compare(a, b) < 0; }
inline bool operator>=(const CBigNum256& a, const CBigNum256& b) { return Compare(a, b) >= 0; }

// r = a + b, returns the carry out.
inline uint64_t Add(const CBigNum256& a, const CBigNum256& b, CBigNum256& r) {
    uint64_t c = 0;
    r.w[0] = AddCarry64(a.w[0], b.w[0], c);
    r.w[1] = AddCarry64(a.w[1], b.w[1], c);
    r.w[2] = AddCarry64(a.w[2], b.w[2], c);
    r.w[3] = AddCarry64(a.w[3], b.w[3], c);
    return c;
}
// r = a - b, returns the borrow out.
inline uint64_t Sub(const CBigNum256& a, const CBigNum256& b, CBigNum256& r) {
    uint64_t c = 0;
    r.w[0] = SubBorrow64(a.w[0], b.w[0], c);
    r.w[1] = SubBorrow64(a.w[1], b.w[1], c);
    r.w[2] = SubBorrow64(a.w[2], b.w[2], c);
    r.w[3] = SubBorrow64(a.w[3], b.w[3], c);
    return c;
}

}  // namespace sgvr
