#pragma once
// Arithmetic modulo an odd 256-bit modulus in Montgomery form (radix R = 2^256).
// Values passed around are fully reduced (below the modulus). Moduli of the form
// 2^255 + m0, like the test curve's p = 2^255 + 0x431, take a reduction with two
// multiplications per limb instead of eight.
#include "arith/BigNum256.h"
#include "arith/Wide64.h"

namespace sgvr {

class CMontgomeryField {
public:
    CMontgomeryField() = default;
    // Which multiplication paths may be used; tests and the benchmark compare them.
    // (A BMI2/ADX product was measured at about a tenth faster on x86-64 hosts and
    // dropped: the shipped i686 build cannot use it.)
    enum class Paths { kAll, kGenericOnly };

    // modulus must be odd.
    explicit CMontgomeryField(const CBigNum256& modulus, Paths paths = Paths::kAll);

    const CBigNum256& Modulus() const { return m_; }
    // R mod m, the Montgomery form of 1.
    const CBigNum256& One() const { return r1_; }
    const CBigNum256& RSquared() const { return r2_; }

    // r = a * b / R mod m. Accepts any a < 2^256 when b < m.
    void Mul(const CBigNum256& a, const CBigNum256& b, CBigNum256& r) const {
        if (sparse_)
            MulSparse(a, b, r);
        else
            MulGeneric(a, b, r);
    }
    void Sqr(const CBigNum256& a, CBigNum256& r) const {
        if (sparse_)
            SqrSparse(a, r);
        else
            MulGeneric(a, a, r);
    }
    // r = k a for a small plain k (k < 2^16), by doublings and additions.
    void MulSmall(const CBigNum256& a, uint32_t k, CBigNum256& r) const;
    void Add(const CBigNum256& a, const CBigNum256& b, CBigNum256& r) const {
        CBigNum256 t, d;
        const uint64_t carry = sgvr::Add(a, b, t);
        // Subtract m when the sum reached it (carry out, or no borrow from t - m).
        const uint64_t borrow = sgvr::Sub(t, m_, d);
        const bool useD = carry || !borrow;
        r.w[0] = useD ? d.w[0] : t.w[0];
        r.w[1] = useD ? d.w[1] : t.w[1];
        r.w[2] = useD ? d.w[2] : t.w[2];
        r.w[3] = useD ? d.w[3] : t.w[3];
    }
    void Sub(const CBigNum256& a, const CBigNum256& b, CBigNum256& r) const {
        CBigNum256 t;
        if (sgvr::Sub(a, b, t)) sgvr::Add(t, m_, t);
        r = t;
    }
    void Neg(const CBigNum256& a, CBigNum256& r) const {
        if (a.IsZero())
            r = a;
        else
            sgvr::Sub(m_, a, r);
    }

    void ToMont(const CBigNum256& a, CBigNum256& r) const { Mul(a, r2_, r); }
    void FromMont(const CBigNum256& a, CBigNum256& r) const { Mul(a, CBigNum256::FromU64(1), r); }
    // a mod m for any a < 2^256.
    CBigNum256 Reduce(const CBigNum256& a) const;

    // r = a^e (a and r in Montgomery form, e a plain number).
    void Pow(const CBigNum256& a, const CBigNum256& e, CBigNum256& r) const;
    // r = a^(m-2), the inverse of a for a prime modulus (0 for a = 0).
    void Inverse(const CBigNum256& a, CBigNum256& r) const;

private:
    void MulGeneric(const CBigNum256& a, const CBigNum256& b, CBigNum256& r) const;
    inline void MulSparse(const CBigNum256& a, const CBigNum256& b, CBigNum256& r) const;
    inline void SqrSparse(const CBigNum256& a, CBigNum256& r) const;
    inline void ReduceSparse(uint64_t p0, uint64_t p1, uint64_t p2, uint64_t p3, uint64_t p4, uint64_t p5,
                             uint64_t p6, uint64_t p7, CBigNum256& r) const;
    // r = mask ? x : y, mask all ones or zero.
    static void Select(uint64_t mask, const CBigNum256& x, const CBigNum256& y, CBigNum256& r) {
        for (int i = 0; i < 4; ++i) r.w[i] = (x.w[i] & mask) | (y.w[i] & ~mask);
    }
    // t (five limbs, t4 0 or 1) is below 2m; bring it below m.
    void FinalSubtract(uint64_t t0, uint64_t t1, uint64_t t2, uint64_t t3, uint64_t t4, CBigNum256& r) const {
        const CBigNum256 t{{t0, t1, t2, t3}};
        CBigNum256 d;
        const uint64_t borrow = sgvr::Sub(t, m_, d);
        // Limb by limb: a whole-struct select goes through memory and stalls.
        const bool useD = t4 || !borrow;
        r.w[0] = useD ? d.w[0] : t.w[0];
        r.w[1] = useD ? d.w[1] : t.w[1];
        r.w[2] = useD ? d.w[2] : t.w[2];
        r.w[3] = useD ? d.w[3] : t.w[3];
    }

    CBigNum256 m_ = CBigNum256::Zero();
    CBigNum256 r1_ = CBigNum256::Zero();
    CBigNum256 r2_ = CBigNum256::Zero();
    uint64_t n0_ = 0;  // -m^-1 mod 2^64
    bool sparse_ = false;
};

// Montgomery reduction of an 8-limb product for m = 2^255 + m0: a row adds
// mq * m0 at limb i and mq * 2^255, a shift, at limbs i + 3 and i + 4. The carry
// out of a row's top limb goes into the next row's top limb. Written out in full:
// this is the hot path of verification.
SGVR_FORCE_INLINE void CMontgomeryField::ReduceSparse(uint64_t p0, uint64_t p1, uint64_t p2, uint64_t p3, uint64_t p4,
                                           uint64_t p5, uint64_t p6, uint64_t p7, CBigNum256& r) const {
    const uint64_t m0 = m_.w[0];
    uint64_t c, mq, top;
    mq = p0 * n0_;
    c = p0 != 0;  // p0 + low(mq c) is 0 mod 2^64: it carries unless both are 0
    p1 = AddCarry64(p1, MulHigh64(mq, m0), c);
    p2 = AddCarry64(p2, 0, c);
    p3 = AddCarry64(p3, mq << 63, c);
    p4 = AddCarry64(p4, (mq >> 1), c);
    top = c;
    mq = p1 * n0_;
    c = p1 != 0;  // p1 + low(mq c) is 0 mod 2^64: it carries unless both are 0
    p2 = AddCarry64(p2, MulHigh64(mq, m0), c);
    p3 = AddCarry64(p3, 0, c);
    p4 = AddCarry64(p4, mq << 63, c);
    p5 = AddCarry64(p5, (mq >> 1) + top, c);
    top = c;
    mq = p2 * n0_;
    c = p2 != 0;  // p2 + low(mq c) is 0 mod 2^64: it carries unless both are 0
    p3 = AddCarry64(p3, MulHigh64(mq, m0), c);
    p4 = AddCarry64(p4, 0, c);
    p5 = AddCarry64(p5, mq << 63, c);
    p6 = AddCarry64(p6, (mq >> 1) + top, c);
    top = c;
    mq = p3 * n0_;
    c = p3 != 0;  // p3 + low(mq c) is 0 mod 2^64: it carries unless both are 0
    p4 = AddCarry64(p4, MulHigh64(mq, m0), c);
    p5 = AddCarry64(p5, 0, c);
    p6 = AddCarry64(p6, mq << 63, c);
    p7 = AddCarry64(p7, (mq >> 1) + top, c);
    top = c;
    FinalSubtract(p4, p5, p6, p7, top, r);
}

// Schoolbook product: each row's four products are first joined into one 5-limb
// value, then added with one carry chain (two chains in flight compile badly).
SGVR_FORCE_INLINE void CMontgomeryField::MulSparse(const CBigNum256& a, const CBigNum256& b, CBigNum256& r) const {
    const uint64_t a0 = a.w[0], a1 = a.w[1], a2 = a.w[2], a3 = a.w[3];
    uint64_t p0, p1, p2, p3, p4, p5, p6, p7, c, l0, l1, l2, l3, h0, h1, h2, h3;
    p0 = MulAdd64(a0, b.w[0], 0, 0, h0);
    p1 = MulAdd64(a1, b.w[0], 0, 0, h1);
    p2 = MulAdd64(a2, b.w[0], 0, 0, h2);
    p3 = MulAdd64(a3, b.w[0], 0, 0, p4);
    c = 0;
    p1 = AddCarry64(p1, h0, c);
    p2 = AddCarry64(p2, h1, c);
    p3 = AddCarry64(p3, h2, c);
    p4 += c;
    p5 = p6 = p7 = 0;
    // row 1
    l0 = MulAdd64(a0, b.w[1], 0, 0, h0);
    l1 = MulAdd64(a1, b.w[1], 0, 0, h1);
    l2 = MulAdd64(a2, b.w[1], 0, 0, h2);
    l3 = MulAdd64(a3, b.w[1], 0, 0, h3);
    c = 0;
    l1 = AddCarry64(l1, h0, c);
    l2 = AddCarry64(l2, h1, c);
    l3 = AddCarry64(l3, h2, c);
    h3 += c;  // a row is below 2^320: no carry out
    c = 0;
    p1 = AddCarry64(p1, l0, c);
    p2 = AddCarry64(p2, l1, c);
    p3 = AddCarry64(p3, l2, c);
    p4 = AddCarry64(p4, l3, c);
    p5 = h3 + c;
    // row 2
    l0 = MulAdd64(a0, b.w[2], 0, 0, h0);
    l1 = MulAdd64(a1, b.w[2], 0, 0, h1);
    l2 = MulAdd64(a2, b.w[2], 0, 0, h2);
    l3 = MulAdd64(a3, b.w[2], 0, 0, h3);
    c = 0;
    l1 = AddCarry64(l1, h0, c);
    l2 = AddCarry64(l2, h1, c);
    l3 = AddCarry64(l3, h2, c);
    h3 += c;  // a row is below 2^320: no carry out
    c = 0;
    p2 = AddCarry64(p2, l0, c);
    p3 = AddCarry64(p3, l1, c);
    p4 = AddCarry64(p4, l2, c);
    p5 = AddCarry64(p5, l3, c);
    p6 = h3 + c;
    // row 3
    l0 = MulAdd64(a0, b.w[3], 0, 0, h0);
    l1 = MulAdd64(a1, b.w[3], 0, 0, h1);
    l2 = MulAdd64(a2, b.w[3], 0, 0, h2);
    l3 = MulAdd64(a3, b.w[3], 0, 0, h3);
    c = 0;
    l1 = AddCarry64(l1, h0, c);
    l2 = AddCarry64(l2, h1, c);
    l3 = AddCarry64(l3, h2, c);
    h3 += c;  // a row is below 2^320: no carry out
    c = 0;
    p3 = AddCarry64(p3, l0, c);
    p4 = AddCarry64(p4, l1, c);
    p5 = AddCarry64(p5, l2, c);
    p6 = AddCarry64(p6, l3, c);
    p7 = h3 + c;
    ReduceSparse(p0, p1, p2, p3, p4, p5, p6, p7, r);
}

// Squaring: the six cross products once, doubled, plus the four squares.
SGVR_FORCE_INLINE void CMontgomeryField::SqrSparse(const CBigNum256& a, CBigNum256& r) const {
    const uint64_t a0 = a.w[0], a1 = a.w[1], a2 = a.w[2], a3 = a.w[3];
    uint64_t p1, p2, p3, p4, p5, p6, p7, c, h, l, h1, h2;
    // a0 * (a1, a2, a3) at limb 1
    p1 = MulAdd64(a0, a1, 0, 0, h1);
    p2 = MulAdd64(a0, a2, 0, 0, h2);
    p3 = MulAdd64(a0, a3, 0, 0, p4);
    c = 0;
    p2 = AddCarry64(p2, h1, c);
    p3 = AddCarry64(p3, h2, c);
    p4 += c;
    // a1 * (a2, a3) at limb 3
    l = MulAdd64(a1, a2, 0, 0, h1);
    const uint64_t l13 = MulAdd64(a1, a3, 0, 0, p5);
    c = 0;
    const uint64_t m4 = AddCarry64(l13, h1, c);
    p5 += c;
    c = 0;
    p3 = AddCarry64(p3, l, c);
    p4 = AddCarry64(p4, m4, c);
    p5 += c;
    // a2 * a3 at limb 5
    l = MulAdd64(a2, a3, 0, 0, h);
    c = 0;
    p5 = AddCarry64(p5, l, c);
    p6 = h + c;
    // times two
    p7 = p6 >> 63;
    p6 = p6 << 1 | p5 >> 63;
    p5 = p5 << 1 | p4 >> 63;
    p4 = p4 << 1 | p3 >> 63;
    p3 = p3 << 1 | p2 >> 63;
    p2 = p2 << 1 | p1 >> 63;
    p1 = p1 << 1;
    // plus the squares on the diagonal
    uint64_t s0, s1, s2, s3, s4, s5, s6, s7;
    s0 = MulAdd64(a0, a0, 0, 0, s1);
    s2 = MulAdd64(a1, a1, 0, 0, s3);
    s4 = MulAdd64(a2, a2, 0, 0, s5);
    s6 = MulAdd64(a3, a3, 0, 0, s7);
    c = 0;
    p1 = AddCarry64(p1, s1, c);
    p2 = AddCarry64(p2, s2, c);
    p3 = AddCarry64(p3, s3, c);
    p4 = AddCarry64(p4, s4, c);
    p5 = AddCarry64(p5, s5, c);
    p6 = AddCarry64(p6, s6, c);
    p7 = AddCarry64(p7, s7, c);
    ReduceSparse(s0, p1, p2, p3, p4, p5, p6, p7, r);
}

}  // namespace sgvr
