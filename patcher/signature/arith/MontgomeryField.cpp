#include "arith/MontgomeryField.h"

#include "arith/Wide64.h"

namespace sgvr {

CMontgomeryField::CMontgomeryField(const CBigNum256& modulus, Paths paths) : m_(modulus) {
    // Newton iteration for m^-1 mod 2^64: each step doubles the correct low bits.
    uint64_t inv = 1;
    for (int i = 0; i < 7; ++i) inv *= 2 - m_.w[0] * inv;
    n0_ = ~inv + 1;
    sparse_ = paths != Paths::kGenericOnly && m_.w[1] == 0 && m_.w[2] == 0 && m_.w[3] == (uint64_t(1) << 63);

    // R mod m and R^2 mod m by modular doublings of 1.
    CBigNum256 r = CBigNum256::FromU64(1);
    for (int i = 0; i < 256; ++i) Add(r, r, r);
    r1_ = r;
    for (int i = 0; i < 256; ++i) Add(r, r, r);
    r2_ = r;
}



void CMontgomeryField::MulGeneric(const CBigNum256& a, const CBigNum256& b, CBigNum256& r) const {
    uint64_t t0 = 0, t1 = 0, t2 = 0, t3 = 0, t4 = 0, t5, c, k;
    for (int i = 0; i < 4; ++i) {
        const uint64_t bi = b.w[i];
        c = 0;
        t0 = MulAdd64(a.w[0], bi, t0, c, c);
        t1 = MulAdd64(a.w[1], bi, t1, c, c);
        t2 = MulAdd64(a.w[2], bi, t2, c, c);
        t3 = MulAdd64(a.w[3], bi, t3, c, c);
        k = 0;
        t4 = AddCarry64(t4, c, k);
        t5 = k;
        const uint64_t mq = t0 * n0_;
        MulAdd64(mq, m_.w[0], t0, 0, c);
        t0 = MulAdd64(mq, m_.w[1], t1, c, c);
        t1 = MulAdd64(mq, m_.w[2], t2, c, c);
        t2 = MulAdd64(mq, m_.w[3], t3, c, c);
        k = 0;
        t3 = AddCarry64(t4, c, k);
        t4 = t5 + k;
    }
    FinalSubtract(t0, t1, t2, t3, t4, r);
}




CBigNum256 CMontgomeryField::Reduce(const CBigNum256& a) const {
    CBigNum256 t, r;
    ToMont(a, t);
    FromMont(t, r);
    return r;
}

void CMontgomeryField::MulSmall(const CBigNum256& a, uint32_t k, CBigNum256& r) const {
    CBigNum256 acc = CBigNum256::Zero();
    int bit = 15;
    while (bit >= 0 && !((k >> bit) & 1)) --bit;
    for (; bit >= 0; --bit) {
        Add(acc, acc, acc);
        if ((k >> bit) & 1) Add(acc, a, acc);
    }
    r = acc;
}

void CMontgomeryField::Pow(const CBigNum256& a, const CBigNum256& e, CBigNum256& r) const {
    // Sliding window over odd powers a, a^3, .., a^31.
    CBigNum256 odd[16], a2;
    odd[0] = a;
    Sqr(a, a2);
    for (int i = 1; i < 16; ++i) Mul(odd[i - 1], a2, odd[i]);
    CBigNum256 acc = r1_;
    int i = e.BitLength();
    while (i >= 0) {
        if (!e.Bit(i)) {
            Sqr(acc, acc);
            --i;
            continue;
        }
        // Longest window of at most 5 bits that ends in a set bit.
        int low = i - 4 < 0 ? 0 : i - 4;
        while (!e.Bit(low)) ++low;
        const int width = i - low + 1;
        for (int k = 0; k < width; ++k) Sqr(acc, acc);
        Mul(acc, odd[e.Bits(low, width) >> 1], acc);
        i = low - 1;
    }
    r = acc;
}

void CMontgomeryField::Inverse(const CBigNum256& a, CBigNum256& r) const {
    CBigNum256 e;
    sgvr::Sub(m_, CBigNum256::FromU64(2), e);
    Pow(a, e, r);
}

}  // namespace sgvr
