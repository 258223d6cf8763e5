#include "arith/GostVerifier.h"

#include "arith/SecureWipe.h"
#include "arith/SmallResult.h"

namespace sgvr {

int CGostVerifier::LoadDomainParameters(const CCurveParameters* params, size_t orderSize) {
    if (curve_) return kResultAlreadyLoaded;
    if (!params) {
        curve_ = &CGostCurve::TestCurve();
        return kResultOk;
    }
    if (orderSize != kGostOrderSize) return kResultWrongSize;
    ownCurve_ = CGostCurve::Create(*params);
    if (!ownCurve_) return kResultMismatch;
    curve_ = ownCurve_.get();
    return kResultOk;
}

int CGostVerifier::SetPublicKey(const uint8_t* key, size_t length) {
    if (!curve_) return kResultNoParameters;
    if (keyLoaded_) return kResultKeyAlreadyLoaded;
    if (!key) return kResultMissingArgument;
    if (length != kGostPublicKeySize) return kResultWrongSize;
    keyValid_ = curve_->LoadPoint(CBigNum256::FromBytesBE(key), CBigNum256::FromBytesBE(key + 32), key_);
    keyLoaded_ = true;
    return kResultOk;
}

void CGostVerifier::UnloadPublicKey() {
    SecureWipe(&key_, sizeof key_);
    keyLoaded_ = false;
    keyValid_ = false;
}

int CGostVerifier::Verify(const uint8_t* hash, size_t hashLength, const uint8_t* signature,
                          size_t signatureLength) const {
    if (!curve_) return kResultNoParameters;
    if (!keyLoaded_) return kResultNoPublicKey;
    if (!hash || !signature) return kResultMissingArgument;
    if (hashLength != 32 || signatureLength != kGostSignatureSize) return kResultWrongSize;

    const CMontgomeryField& fq = curve_->Fq();
    const CMontgomeryField& fp = curve_->Fp();
    const CBigNum256 r = CBigNum256::FromBytesBE(signature);
    const CBigNum256 s = CBigNum256::FromBytesBE(signature + 32);
    // Range checks come before any point arithmetic.
    if (r.IsZero()) return kResultRZero;
    if (s.IsZero()) return kResultSZero;
    if (r >= fq.Modulus()) return kResultROutOfRange;
    if (s >= fq.Modulus()) return kResultSOutOfRange;
    if (!keyValid_) return kResultMismatch;

    CBigNum256 e = fq.Reduce(CBigNum256::FromBytesBE(hash));
    if (e.IsZero()) e = CBigNum256::FromU64(1);

    // v = e^-1; z1 = s v, z2 = -r v (mod q). A plain operand times a Montgomery one
    // gives the plain product.
    CBigNum256 eM, vM, z1, z2, negR;
    fq.ToMont(e, eM);
    fq.Inverse(eM, vM);
    fq.Mul(s, vM, z1);
    fq.Neg(r, negR);
    fq.Mul(negR, vM, z2);

    CJacobianPoint c;
    curve_->MulBaseAdd(z1, z2, key_, c);
    if (c.IsInfinity()) return kResultMismatch;

    // x(C) mod q == r without normalising C: x = X / Z^2, and when q > p, x mod q is
    // x itself, so compare X with r Z^2; otherwise also try r + q.
    CBigNum256 zz, rM, rz;
    fp.Sqr(c.z, zz);
    if (r < fp.Modulus()) {
        fp.ToMont(r, rM);
        fp.Mul(rM, zz, rz);
        if (rz == c.x) return kResultOk;
    }
    if (fq.Modulus() < fp.Modulus()) {
        CBigNum256 r2;
        if (!Add(r, fq.Modulus(), r2) && r2 < fp.Modulus()) {
            fp.ToMont(r2, rM);
            fp.Mul(rM, zz, rz);
            if (rz == c.x) return kResultOk;
        }
    }
    return kResultMismatch;
}

}  // namespace sgvr
