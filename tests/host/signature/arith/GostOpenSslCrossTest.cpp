// Cross-check with OpenSSL's GOST engine on the test parameter set. The engine takes
// the digest as a little-endian number and writes signatures as s || r; our form is
// a big-endian hash and r || s, so both are converted at the border.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <gtest/gtest.h>
#include "OpenSslGost.h"
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/engine.h>
#include <openssl/evp.h>
#include <openssl/objects.h>

#include <algorithm>
#include <memory>

#include "GostSigner.h"
#include "arith/GostVerifier.h"
#include "arith/SmallResult.h"
#include "TestHex.h"

using namespace sgvrtest;

namespace {

using oracle::GostEngine;

struct PkeyDeleter {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct CtxDeleter {
    void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyDeleter>;
using CtxPtr = std::unique_ptr<EVP_PKEY_CTX, CtxDeleter>;

PkeyPtr EngineKeyPair() {
    CtxPtr ctx(EVP_PKEY_CTX_new_id(NID_id_GostR3410_2001, GostEngine()));
    if (!ctx || EVP_PKEY_paramgen_init(ctx.get()) <= 0) return nullptr;
    // paramset "0": id-GostR3410-2001-TestParamSet
    if (EVP_PKEY_CTX_ctrl_str(ctx.get(), "paramset", "0") <= 0) return nullptr;
    EVP_PKEY* params = nullptr;
    if (EVP_PKEY_paramgen(ctx.get(), &params) <= 0) return nullptr;
    PkeyPtr p(params);
    CtxPtr kctx(EVP_PKEY_CTX_new(p.get(), GostEngine()));
    EVP_PKEY* key = nullptr;
    if (!kctx || EVP_PKEY_keygen_init(kctx.get()) <= 0 || EVP_PKEY_keygen(kctx.get(), &key) <= 0) return nullptr;
    return PkeyPtr(key);
}

void BnTo32(const BIGNUM* bn, uint8_t out[32]) { ASSERT_EQ(BN_bn2binpad(bn, out, 32), 32); }

void EngineKeyParts(EVP_PKEY* key, uint8_t d[32], uint8_t pub[64]) {
    const EC_KEY* ec = static_cast<const EC_KEY*>(EVP_PKEY_get0(key));
    ASSERT_NE(ec, nullptr);
    BnTo32(EC_KEY_get0_private_key(ec), d);
    BIGNUM* x = BN_new();
    BIGNUM* y = BN_new();
    ASSERT_EQ(EC_POINT_get_affine_coordinates(EC_KEY_get0_group(ec), EC_KEY_get0_public_key(ec), x, y, nullptr), 1);
    BnTo32(x, pub);
    BnTo32(y, pub + 32);
    BN_free(x);
    BN_free(y);
}

void Reverse32(const uint8_t in[32], uint8_t out[32]) { std::reverse_copy(in, in + 32, out); }

}  // namespace

TEST(GostOpenSslCross, EngineIsAvailableWithTheTestParameterSet) {
    ASSERT_NE(GostEngine(), nullptr) << "OpenSSL GOST engine not loadable (package libengine-gost-openssl)";
    PkeyPtr key = EngineKeyPair();
    ASSERT_NE(key, nullptr);
    const EC_KEY* ec = static_cast<const EC_KEY*>(EVP_PKEY_get0(key.get()));
    BIGNUM* p = BN_new();
    ASSERT_EQ(EC_GROUP_get_curve(EC_KEY_get0_group(ec), p, nullptr, nullptr, nullptr), 1);
    uint8_t pb[32];
    BnTo32(p, pb);
    BN_free(p);
    EXPECT_EQ(ToHex(pb, 32), "8000000000000000000000000000000000000000000000000000000000000431");
}

TEST(GostOpenSslCross, SameKeyGivesTheSamePublicPoint) {
    ASSERT_NE(GostEngine(), nullptr);
    for (int i = 0; i < 5; ++i) {
        PkeyPtr key = EngineKeyPair();
        ASSERT_NE(key, nullptr);
        uint8_t d[32], enginePub[64], ourPub[64];
        EngineKeyParts(key.get(), d, enginePub);
        ASSERT_TRUE(sgvrtool::DerivePublicKey(d, ourPub));
        EXPECT_EQ(ToHex(ourPub, 64), ToHex(enginePub, 64));
    }
}

TEST(GostOpenSslCross, OurSignaturesVerifyWithTheEngine) {
    ASSERT_NE(GostEngine(), nullptr);
    PkeyPtr key = EngineKeyPair();
    ASSERT_NE(key, nullptr);
    uint8_t d[32], pub[64];
    EngineKeyParts(key.get(), d, pub);
    for (int i = 0; i < 20; ++i) {
        uint8_t hash[32], sig[64], le[32], engineSig[64];
        for (int j = 0; j < 32; ++j) hash[j] = static_cast<uint8_t>(i * 59 + j * 7);
        ASSERT_TRUE(sgvrtool::SignHash(d, hash, sig));
        Reverse32(hash, le);
        std::copy(sig + 32, sig + 64, engineSig);  // s
        std::copy(sig, sig + 32, engineSig + 32);  // r
        CtxPtr ctx(EVP_PKEY_CTX_new(key.get(), GostEngine()));
        ASSERT_EQ(EVP_PKEY_verify_init(ctx.get()), 1);
        EXPECT_EQ(EVP_PKEY_verify(ctx.get(), engineSig, 64, le, 32), 1) << i;
        engineSig[10] ^= 1;
        EXPECT_NE(EVP_PKEY_verify(ctx.get(), engineSig, 64, le, 32), 1) << i;
    }
}

TEST(GostOpenSslCross, EngineSignaturesVerifyWithOurs) {
    ASSERT_NE(GostEngine(), nullptr);
    PkeyPtr key = EngineKeyPair();
    ASSERT_NE(key, nullptr);
    uint8_t d[32], pub[64];
    EngineKeyParts(key.get(), d, pub);
    sgvr::CGostVerifier verifier;
    ASSERT_EQ(verifier.LoadDomainParameters(), 0);
    ASSERT_EQ(verifier.SetPublicKey(pub, 64), 0);
    for (int i = 0; i < 20; ++i) {
        uint8_t hash[32], le[32], engineSig[64], sig[64];
        for (int j = 0; j < 32; ++j) hash[j] = static_cast<uint8_t>(i * 13 + j * 101);
        Reverse32(hash, le);
        CtxPtr ctx(EVP_PKEY_CTX_new(key.get(), GostEngine()));
        ASSERT_EQ(EVP_PKEY_sign_init(ctx.get()), 1);
        size_t len = sizeof engineSig;
        ASSERT_EQ(EVP_PKEY_sign(ctx.get(), engineSig, &len, le, 32), 1);
        ASSERT_EQ(len, 64u);
        std::copy(engineSig + 32, engineSig + 64, sig);  // r
        std::copy(engineSig, engineSig + 32, sig + 32);  // s
        EXPECT_EQ(verifier.Verify(hash, 32, sig, 64), sgvr::kResultOk) << i;
        hash[0] ^= 0x80;
        EXPECT_EQ(verifier.Verify(hash, 32, sig, 64), sgvr::kResultMismatch) << i;
    }
}
