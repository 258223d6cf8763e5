#include "arith/GostCurve.h"

#include <cstring>

namespace sgvr {

namespace {

// GOST R 34.10-2001 test parameter set.
const char* const kTestP = "8000000000000000000000000000000000000000000000000000000000000431";
const char* const kTestA = "0000000000000000000000000000000000000000000000000000000000000007";
const char* const kTestB = "5fbff498aa938ce739b8e022fbafef40563f6e6a3472fc2a514c0ce9dae23b7e";
const char* const kTestQ = "8000000000000000000000000000000150fe8a1892976154c59cfc193accf5b3";
const char* const kTestX = "0000000000000000000000000000000000000000000000000000000000000002";
const char* const kTestY = "08e2a8a0e65147d4bd6316030e16d19c85c97f0a9ca267122b96abbcea7e8fc8";

void HexTo32(const char* hex, uint8_t out[32]) {
    auto nib = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (int i = 0; i < 32; ++i) out[i] = static_cast<uint8_t>(nib(hex[2 * i]) << 4 | nib(hex[2 * i + 1]));
}

constexpr int kNafWidth = 5;
constexpr int kNafTable = 1 << (kNafWidth - 2);  // odd multiples 1, 3, .., 15

}  // namespace

void CGostCurve::TestParameters(CCurveParameters& out) {
    HexTo32(kTestP, out.p);
    HexTo32(kTestA, out.a);
    HexTo32(kTestB, out.b);
    HexTo32(kTestQ, out.q);
    HexTo32(kTestX, out.x);
    HexTo32(kTestY, out.y);
}

const CGostCurve& CGostCurve::TestCurve() {
    static const std::unique_ptr<CGostCurve> curve = [] {
        CCurveParameters params;
        TestParameters(params);
        return Create(params);
    }();
    return *curve;
}

std::unique_ptr<CGostCurve> CGostCurve::Create(const CCurveParameters& params, CMontgomeryField::Paths paths) {
    std::unique_ptr<CGostCurve> curve(new CGostCurve());
    if (!curve->Init(params, paths)) return nullptr;
    curve->BuildBaseTable();
    return curve;
}

bool CGostCurve::Init(const CCurveParameters& params, CMontgomeryField::Paths paths) {
    const CBigNum256 p = CBigNum256::FromBytesBE(params.p);
    const CBigNum256 q = CBigNum256::FromBytesBE(params.q);
    if (!p.IsOdd() || !q.IsOdd() || p.BitLength() < 128 || q.BitLength() < 128) return false;
    fp_ = CMontgomeryField(p, paths);
    fq_ = CMontgomeryField(q, paths);
    const CBigNum256 a = CBigNum256::FromBytesBE(params.a);
    const CBigNum256 b = CBigNum256::FromBytesBE(params.b);
    if (a >= p || b >= p) return false;
    fp_.ToMont(a, a_);
    aSmall_ = (a.w[1] | a.w[2] | a.w[3]) == 0 && a.w[0] < 16 ? static_cast<uint32_t>(a.w[0]) : 0;
    fp_.ToMont(b, b_);
    return LoadPoint(CBigNum256::FromBytesBE(params.x), CBigNum256::FromBytesBE(params.y), base_);
}

bool CGostCurve::LoadPoint(const CBigNum256& x, const CBigNum256& y, CAffinePoint& out) const {
    if (x >= fp_.Modulus() || y >= fp_.Modulus()) return false;
    CAffinePoint pt;
    fp_.ToMont(x, pt.x);
    fp_.ToMont(y, pt.y);
    if (!IsOnCurve(pt)) return false;
    out = pt;
    return true;
}

bool CGostCurve::IsOnCurve(const CAffinePoint& pt) const {
    CBigNum256 lhs, rhs, t;
    fp_.Sqr(pt.y, lhs);
    fp_.Sqr(pt.x, t);
    fp_.Add(t, a_, t);
    fp_.Mul(t, pt.x, rhs);  // x^3 + a x
    fp_.Add(rhs, b_, rhs);
    return lhs == rhs;
}

CJacobianPoint CGostCurve::FromAffine(const CAffinePoint& a) const {
    return CJacobianPoint{a.x, a.y, fp_.One()};
}

void CGostCurve::Double(const CJacobianPoint& p, CJacobianPoint& r) const {
    if (p.IsInfinity() || p.y.IsZero()) {
        r.z = CBigNum256::Zero();
        return;
    }
    // One multiplication and eight squarings; a ZZ^2 by additions when a is small.
    const CMontgomeryField& f = fp_;
    CBigNum256 xx, yy, yyyy, zz, s, m, t, z3, x3;
    f.Sqr(p.x, xx);
    f.Sqr(p.y, yy);
    f.Sqr(yy, yyyy);
    f.Sqr(p.z, zz);
    // Z3 = (Y + Z)^2 - YY - ZZ
    f.Add(p.y, p.z, z3);
    f.Sqr(z3, z3);
    f.Sub(z3, yy, z3);
    f.Sub(z3, zz, z3);
    // S = 2 ((X + YY)^2 - XX - YYYY)
    f.Add(p.x, yy, s);
    f.Sqr(s, s);
    f.Sub(s, xx, s);
    f.Sub(s, yyyy, s);
    f.Add(s, s, s);
    // M = 3 XX + a ZZ^2
    f.Sqr(zz, t);
    if (aSmall_)
        f.MulSmall(t, aSmall_, t);
    else
        f.Mul(t, a_, t);
    f.Add(xx, xx, m);
    f.Add(m, xx, m);
    f.Add(m, t, m);
    // X3 = M^2 - 2 S; Y3 = M (S - X3) - 8 YYYY
    f.Sqr(m, x3);
    f.Sub(x3, s, x3);
    f.Sub(x3, s, x3);
    f.Sub(s, x3, t);
    f.Mul(m, t, t);
    f.Add(yyyy, yyyy, yyyy);
    f.Add(yyyy, yyyy, yyyy);
    f.Add(yyyy, yyyy, yyyy);
    f.Sub(t, yyyy, r.y);
    r.x = x3;
    r.z = z3;
}

void CGostCurve::Add(const CJacobianPoint& p, const CJacobianPoint& q, CJacobianPoint& r) const {
    if (p.IsInfinity()) {
        r = q;
        return;
    }
    if (q.IsInfinity()) {
        r = p;
        return;
    }
    const CMontgomeryField& f = fp_;
    CBigNum256 z1z1, z2z2, u1, u2, s1, s2, h, rr;
    f.Sqr(p.z, z1z1);
    f.Sqr(q.z, z2z2);
    f.Mul(p.x, z2z2, u1);
    f.Mul(q.x, z1z1, u2);
    f.Mul(p.y, q.z, s1);
    f.Mul(s1, z2z2, s1);
    f.Mul(q.y, p.z, s2);
    f.Mul(s2, z1z1, s2);
    f.Sub(u2, u1, h);
    f.Sub(s2, s1, rr);
    if (h.IsZero()) {
        if (rr.IsZero())
            Double(p, r);
        else
            r.z = CBigNum256::Zero();
        return;
    }
    CBigNum256 hh, hhh, v, x3, t, z3;
    f.Sqr(h, hh);
    f.Mul(h, hh, hhh);
    f.Mul(u1, hh, v);
    f.Sqr(rr, x3);
    f.Sub(x3, hhh, x3);
    f.Sub(x3, v, x3);
    f.Sub(x3, v, x3);
    f.Mul(p.z, q.z, z3);
    f.Mul(z3, h, z3);
    f.Sub(v, x3, t);
    f.Mul(rr, t, t);
    f.Mul(s1, hhh, s1);
    f.Sub(t, s1, r.y);
    r.x = x3;
    r.z = z3;
}

void CGostCurve::AddAffine(const CJacobianPoint& p, const CAffinePoint& q, CJacobianPoint& r) const {
    if (p.IsInfinity()) {
        r = FromAffine(q);
        return;
    }
    const CMontgomeryField& f = fp_;
    CBigNum256 z1z1, u2, s2, h, rr;
    f.Sqr(p.z, z1z1);
    f.Mul(q.x, z1z1, u2);
    f.Mul(q.y, p.z, s2);
    f.Mul(s2, z1z1, s2);
    f.Sub(u2, p.x, h);
    f.Sub(s2, p.y, rr);
    if (h.IsZero()) {
        if (rr.IsZero())
            Double(p, r);
        else
            r.z = CBigNum256::Zero();
        return;
    }
    CBigNum256 hh, hhh, v, x3, t, z3, y1hhh;
    f.Sqr(h, hh);
    f.Mul(h, hh, hhh);
    f.Mul(p.x, hh, v);
    f.Sqr(rr, x3);
    f.Sub(x3, hhh, x3);
    f.Sub(x3, v, x3);
    f.Sub(x3, v, x3);
    f.Mul(p.z, h, z3);
    f.Sub(v, x3, t);
    f.Mul(rr, t, t);
    f.Mul(p.y, hhh, y1hhh);
    f.Sub(t, y1hhh, r.y);
    r.x = x3;
    r.z = z3;
}

void CGostCurve::Negate(const CJacobianPoint& p, CJacobianPoint& r) const {
    r.x = p.x;
    fp_.Neg(p.y, r.y);
    r.z = p.z;
}

bool CGostCurve::ToAffinePlain(const CJacobianPoint& p, CBigNum256& x, CBigNum256& y) const {
    if (p.IsInfinity()) return false;
    CBigNum256 zi, zi2, t;
    fp_.Inverse(p.z, zi);
    fp_.Sqr(zi, zi2);
    fp_.Mul(p.x, zi2, t);
    fp_.FromMont(t, x);
    fp_.Mul(zi2, zi, zi2);
    fp_.Mul(p.y, zi2, t);
    fp_.FromMont(t, y);
    return true;
}

void CGostCurve::BuildBaseTable() {
    // All multiples in Jacobian form first, then one shared inversion turns them
    // affine (prefix products of the z values).
    std::vector<CJacobianPoint> jac(kBaseWindows * kBaseEntries);
    CJacobianPoint windowBase = FromAffine(base_);
    for (int i = 0; i < kBaseWindows; ++i) {
        CJacobianPoint* row = &jac[kBaseEntries * i];
        row[0] = windowBase;
        for (int d = 1; d < kBaseEntries; ++d) Add(row[d - 1], windowBase, row[d]);
        for (int k = 0; k < kBaseWindowBits; ++k) Double(windowBase, windowBase);
    }
    const CMontgomeryField& f = fp_;
    std::vector<CBigNum256> prefix(jac.size());
    CBigNum256 acc = f.One();
    for (size_t i = 0; i < jac.size(); ++i) {
        prefix[i] = acc;
        f.Mul(acc, jac[i].z, acc);
    }
    CBigNum256 inv;
    f.Inverse(acc, inv);
    baseTable_.assign(jac.size(), CAffinePoint{CBigNum256::Zero(), CBigNum256::Zero()});
    for (size_t i = jac.size(); i-- > 0;) {
        CBigNum256 zi, zi2, zi3;
        f.Mul(inv, prefix[i], zi);   // 1 / z_i
        f.Mul(inv, jac[i].z, inv);   // drop z_i from the running inverse
        f.Sqr(zi, zi2);
        f.Mul(zi2, zi, zi3);
        f.Mul(jac[i].x, zi2, baseTable_[i].x);
        f.Mul(jac[i].y, zi3, baseTable_[i].y);
    }
}

void CGostCurve::AddBaseMultiple(const CBigNum256& k, CJacobianPoint& acc) const {
    for (int i = 0; i < kBaseWindows; ++i) {
        const uint32_t d = k.Bits(kBaseWindowBits * i, kBaseWindowBits);
        if (d) AddAffine(acc, baseTable_[kBaseEntries * i + d - 1], acc);
    }
}

void CGostCurve::MulBase(const CBigNum256& k, CJacobianPoint& r) const {
    CJacobianPoint acc{CBigNum256::Zero(), CBigNum256::Zero(), CBigNum256::Zero()};
    AddBaseMultiple(k, acc);
    r = acc;
}

void CGostCurve::MulNaf(const CBigNum256& z, const CAffinePoint& pt, CJacobianPoint& r) const {
    // Width-5 NAF digits of z, least significant first; z < 2^256 gives at most 257.
    int8_t naf[260];
    int len = 0;
    uint64_t k[5] = {z.w[0], z.w[1], z.w[2], z.w[3], 0};
    auto isZero = [&] { return (k[0] | k[1] | k[2] | k[3] | k[4]) == 0; };
    while (!isZero()) {
        int d = 0;
        if (k[0] & 1) {
            d = static_cast<int>(k[0] & ((1u << kNafWidth) - 1));
            if (d >= (1 << (kNafWidth - 1))) d -= 1 << kNafWidth;
            // k -= d
            if (d > 0) {
                uint64_t borrow = static_cast<uint64_t>(d);
                for (int i = 0; i < 5 && borrow; ++i) {
                    const uint64_t old = k[i];
                    k[i] = old - borrow;
                    borrow = old < borrow;
                }
            } else {
                uint64_t carry = static_cast<uint64_t>(-d);
                for (int i = 0; i < 5 && carry; ++i) {
                    k[i] += carry;
                    carry = k[i] < carry;
                }
            }
        }
        naf[len++] = static_cast<int8_t>(d);
        for (int i = 0; i < 4; ++i) k[i] = k[i] >> 1 | k[i + 1] << 63;
        k[4] >>= 1;
    }

    CJacobianPoint odd[kNafTable];
    odd[0] = FromAffine(pt);
    CJacobianPoint twice;
    Double(odd[0], twice);
    for (int i = 1; i < kNafTable; ++i) Add(odd[i - 1], twice, odd[i]);

    CJacobianPoint acc{CBigNum256::Zero(), CBigNum256::Zero(), CBigNum256::Zero()};
    for (int i = len - 1; i >= 0; --i) {
        Double(acc, acc);
        const int d = naf[i];
        if (d > 0) {
            Add(acc, odd[(d - 1) / 2], acc);
        } else if (d < 0) {
            CJacobianPoint neg;
            Negate(odd[(-d - 1) / 2], neg);
            Add(acc, neg, acc);
        }
    }
    r = acc;
}

void CGostCurve::Mul(const CBigNum256& k, const CAffinePoint& pt, CJacobianPoint& r) const { MulNaf(k, pt, r); }

void CGostCurve::MulBaseAdd(const CBigNum256& z1, const CBigNum256& z2, const CAffinePoint& pt,
                            CJacobianPoint& r) const {
    CJacobianPoint acc;
    MulNaf(z2, pt, acc);
    AddBaseMultiple(z1, acc);
    r = acc;
}

}  // namespace sgvr
