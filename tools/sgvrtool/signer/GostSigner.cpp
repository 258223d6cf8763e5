#include "GostSigner.h"

#include "arith/GostCurve.h"
#include "RandomSource.h"
#include "arith/SecureWipe.h"

namespace sgvrtool {

using sgvr::CBigNum256;
using sgvr::CGostCurve;

namespace {

bool InScalarRange(const CBigNum256& v, const CGostCurve& curve) { return !v.IsZero() && v < curve.Fq().Modulus(); }

// Uniform scalar in [1, q - 1] by rejection.
bool RandomScalar(const CGostCurve& curve, uint8_t out[32]) {
    const int bits = curve.Fq().Modulus().BitLength() + 1;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (!ReadSystemRandom(out, 32)) return false;
        // Keep only as many bits as q has, so that most draws are in range.
        const int excess = 256 - bits;
        for (int i = 0; i < excess / 8; ++i) out[i] = 0;
        if (excess % 8) out[excess / 8] &= static_cast<uint8_t>(0xFF >> (excess % 8));
        if (InScalarRange(CBigNum256::FromBytesBE(out), curve)) return true;
    }
    return false;
}

}  // namespace

bool DerivePublicKey(const uint8_t privateKey[kPrivateKeySize], uint8_t publicKey[64]) {
    const CGostCurve& curve = CGostCurve::TestCurve();
    CBigNum256 d = CBigNum256::FromBytesBE(privateKey);
    if (!InScalarRange(d, curve)) return false;
    sgvr::CJacobianPoint q;
    curve.MulBase(d, q);
    CBigNum256 x, y;
    const bool ok = curve.ToAffinePlain(q, x, y);
    if (ok) {
        x.ToBytesBE(publicKey);
        y.ToBytesBE(publicKey + 32);
    }
    sgvr::SecureWipe(&d, sizeof d);
    sgvr::SecureWipe(&q, sizeof q);
    return ok;
}

bool GenerateKeyPair(uint8_t privateKey[kPrivateKeySize], uint8_t publicKey[64]) {
    return RandomScalar(CGostCurve::TestCurve(), privateKey) && DerivePublicKey(privateKey, publicKey);
}

bool SignHashWithNonce(const uint8_t privateKey[kPrivateKeySize], const uint8_t hash[32], const uint8_t kBytes[32],
                       uint8_t signature[64]) {
    const CGostCurve& curve = CGostCurve::TestCurve();
    const sgvr::CMontgomeryField& fq = curve.Fq();
    CBigNum256 d = CBigNum256::FromBytesBE(privateKey);
    CBigNum256 k = CBigNum256::FromBytesBE(kBytes);
    if (!InScalarRange(d, curve) || !InScalarRange(k, curve)) return false;

    CBigNum256 e = fq.Reduce(CBigNum256::FromBytesBE(hash));
    if (e.IsZero()) e = CBigNum256::FromU64(1);

    sgvr::CJacobianPoint c;
    curve.MulBase(k, c);
    CBigNum256 x, y;
    if (!curve.ToAffinePlain(c, x, y)) return false;
    const CBigNum256 r = fq.Reduce(x);
    // s = r d + k e (mod q); a plain operand times a Montgomery one is the plain product.
    CBigNum256 dM, eM, rd, ke, s;
    fq.ToMont(d, dM);
    fq.ToMont(e, eM);
    fq.Mul(r, dM, rd);
    fq.Mul(k, eM, ke);
    fq.Add(rd, ke, s);
    const bool ok = !r.IsZero() && !s.IsZero();
    if (ok) {
        r.ToBytesBE(signature);
        s.ToBytesBE(signature + 32);
    }
    sgvr::SecureWipe(&d, sizeof d);
    sgvr::SecureWipe(&k, sizeof k);
    sgvr::SecureWipe(&dM, sizeof dM);
    sgvr::SecureWipe(&ke, sizeof ke);
    sgvr::SecureWipe(&rd, sizeof rd);
    sgvr::SecureWipe(&c, sizeof c);
    return ok;
}

bool SignHash(const uint8_t privateKey[kPrivateKeySize], const uint8_t hash[32], uint8_t signature[64]) {
    uint8_t k[32];
    bool ok = false;
    // A nonce that gives r = 0 or s = 0 is replaced by a fresh one.
    for (int attempt = 0; attempt < 16 && !ok; ++attempt) {
        if (!RandomScalar(sgvr::CGostCurve::TestCurve(), k)) break;
        ok = SignHashWithNonce(privateKey, hash, k, signature);
    }
    sgvr::SecureWipe(k, sizeof k);
    return ok;
}

}  // namespace sgvrtool
