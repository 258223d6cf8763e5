#pragma once
// GOST R 34.10-2001 curve y^2 = x^3 + a x + b over GF(p) with a base point of prime
// order q: point arithmetic in Jacobian coordinates, coordinates in Montgomery form.
// Only public data passes through here, so the methods may take variable time.
#include <cstdint>
#include <memory>
#include <vector>

#include "arith/BigNum256.h"
#include "arith/MontgomeryField.h"

namespace sgvr {

// Explicit domain parameters, each a 32-byte big-endian number.
struct CCurveParameters {
    uint8_t p[32], a[32], b[32], q[32], x[32], y[32];
};

struct CAffinePoint {
    CBigNum256 x, y;  // Montgomery form
};

struct CJacobianPoint {
    CBigNum256 x, y, z;  // Montgomery form; z == 0 is the point at infinity
    bool IsInfinity() const { return z.IsZero(); }
};

class CGostCurve {
public:
    // The GOST R 34.10-2001 test parameter set, built on first use and kept for the
    // process, with its table of base point multiples.
    static const CGostCurve& TestCurve();
    static void TestParameters(CCurveParameters& out);

    // Checks and loads explicit parameters: p and q odd, above 2^128, below 2^256,
    // a and b below p, base point on the curve and not at infinity. Returns null when
    // they do not hold. (q prime and q P = O are trusted, not proven.)
    // paths chooses the field multiplication (tests and benchmarks compare them).
    static std::unique_ptr<CGostCurve> Create(const CCurveParameters& params,
                                              CMontgomeryField::Paths paths = CMontgomeryField::Paths::kAll);

    const CMontgomeryField& Fp() const { return fp_; }
    const CMontgomeryField& Fq() const { return fq_; }
    const CAffinePoint& Base() const { return base_; }

    // Plain (non-Montgomery) coordinates below p, checked against the equation.
    bool LoadPoint(const CBigNum256& x, const CBigNum256& y, CAffinePoint& out) const;
    bool IsOnCurve(const CAffinePoint& pt) const;

    void Double(const CJacobianPoint& p, CJacobianPoint& r) const;
    void Add(const CJacobianPoint& p, const CJacobianPoint& q, CJacobianPoint& r) const;
    void AddAffine(const CJacobianPoint& p, const CAffinePoint& q, CJacobianPoint& r) const;
    void Negate(const CJacobianPoint& p, CJacobianPoint& r) const;
    CJacobianPoint FromAffine(const CAffinePoint& a) const;
    // Plain affine x and y; false for the point at infinity.
    bool ToAffinePlain(const CJacobianPoint& p, CBigNum256& x, CBigNum256& y) const;

    // k * base, from the table of base point multiples (k any 256-bit number).
    void MulBase(const CBigNum256& k, CJacobianPoint& r) const;
    // k * pt for any point (double-and-add over a width-5 NAF).
    void Mul(const CBigNum256& k, const CAffinePoint& pt, CJacobianPoint& r) const;
    // z1 * base + z2 * pt.
    void MulBaseAdd(const CBigNum256& z1, const CBigNum256& z2, const CAffinePoint& pt, CJacobianPoint& r) const;

private:
    CGostCurve() = default;
    bool Init(const CCurveParameters& params, CMontgomeryField::Paths paths);
    void BuildBaseTable();
    // Adds z * pt (width-5 NAF, doubling from the top) onto an infinity start.
    void MulNaf(const CBigNum256& z, const CAffinePoint& pt, CJacobianPoint& r) const;

    CMontgomeryField fp_, fq_;
    CBigNum256 a_, b_;  // Montgomery form
    uint32_t aSmall_ = 0;  // a itself when below 16 (the test curve's 7), else 0
    CAffinePoint base_;
    // Fixed windows over the scalar: baseTable_[kBaseEntries * i + d - 1] =
    // d * 2^(kBaseWindowBits * i) * base, so k * base costs one affine addition per
    // non-zero window and no doubling.
    static constexpr int kBaseWindowBits = 6;  // 43 windows, 173 KB, built once in a few ms
    static constexpr int kBaseWindows = (256 + kBaseWindowBits - 1) / kBaseWindowBits;
    static constexpr int kBaseEntries = (1 << kBaseWindowBits) - 1;
    void AddBaseMultiple(const CBigNum256& k, CJacobianPoint& acc) const;
    std::vector<CAffinePoint> baseTable_;
};

}  // namespace sgvr
