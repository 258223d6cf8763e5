// Our signer against our verifier, including the e = 0 rule.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "arith/GostCurve.h"
#include "GostSigner.h"
#include "arith/GostVerifier.h"
#include "arith/SmallResult.h"
#include "TestHex.h"

using namespace sgvrtest;

namespace {

int Verify(const uint8_t* pub, const uint8_t* hash, const uint8_t* sig) {
    sgvr::CGostVerifier v;
    v.LoadDomainParameters();
    v.SetPublicKey(pub, 64);
    return v.Verify(hash, 32, sig, 64);
}

}  // namespace

TEST(GostSigner, RfcExampleKeyAndNonceGiveTheRfcSignature) {
    // RFC 5832 section 7: d, k, e and the expected r, s.
    const auto d = FromHex("7a929ade789bb9be10ed359dd39a72c11b60961f49397eee1d19ce9891ec3b28");
    const auto k = FromHex("77105c9b20bcd3122823c8cf6fcc7b956de33814e95b7fe64fed924594dceab3");
    const auto e = FromHex("2dfbc1b372d89a1188c09c52e0eec61fce52032ab1022e8e67ece6672b043ee5");
    uint8_t pub[64], sig[64];
    ASSERT_TRUE(sgvrtool::DerivePublicKey(d.data(), pub));
    EXPECT_EQ(ToHex(pub, 64),
              "7f2b49e270db6d90d8595bec458b50c58585ba1d4e9b788f6689dbd8e56fd80b"
              "26f1b489d6701dd185c8413a977b3cbbaf64d1c593d26627dffb101a87ff77da");
    ASSERT_TRUE(sgvrtool::SignHashWithNonce(d.data(), e.data(), k.data(), sig));
    EXPECT_EQ(ToHex(sig, 64),
              "41aa28d2f1ab148280cd9ed56feda41974053554a42767b83ad043fd39dc0493"
              "01456c64ba4642a1653c235a98a60249bcd6d3f746b631df928014f6c5bf9c40");
}

TEST(GostSigner, FreshNonceEverySignatureAndAllVerify) {
    uint8_t d[32], pub[64];
    ASSERT_TRUE(sgvrtool::GenerateKeyPair(d, pub));
    std::set<std::string> rs;
    for (int i = 0; i < 20; ++i) {
        uint8_t hash[32], sig[64];
        for (int j = 0; j < 32; ++j) hash[j] = static_cast<uint8_t>(i * 31 + j);
        ASSERT_TRUE(sgvrtool::SignHash(d, hash, sig));
        EXPECT_EQ(Verify(pub, hash, sig), sgvr::kResultOk);
        rs.insert(ToHex(sig, 32));
        // The same hash signed again gives another r.
        uint8_t again[64];
        ASSERT_TRUE(sgvrtool::SignHash(d, hash, again));
        EXPECT_NE(ToHex(again, 32), ToHex(sig, 32));
        EXPECT_EQ(Verify(pub, hash, again), sgvr::kResultOk);
    }
    EXPECT_EQ(rs.size(), 20u);
}

TEST(GostSigner, HashCongruentToZeroIsVerifiedWithEOne) {
    uint8_t d[32], pub[64], sig[64];
    ASSERT_TRUE(sgvrtool::GenerateKeyPair(d, pub));
    sgvr::CCurveParameters params;
    sgvr::CGostCurve::TestParameters(params);
    uint8_t hashQ[32], hashZero[32] = {}, hashOne[32] = {};
    std::memcpy(hashQ, params.q, 32);  // q mod q = 0
    hashOne[31] = 1;
    ASSERT_TRUE(sgvrtool::SignHash(d, hashQ, sig));
    EXPECT_EQ(Verify(pub, hashQ, sig), sgvr::kResultOk);
    // e = 1 for all three, so the one signature holds for each.
    EXPECT_EQ(Verify(pub, hashZero, sig), sgvr::kResultOk);
    EXPECT_EQ(Verify(pub, hashOne, sig), sgvr::kResultOk);
    hashOne[31] = 2;
    EXPECT_EQ(Verify(pub, hashOne, sig), sgvr::kResultMismatch);
}

TEST(GostSigner, OutOfRangeKeysAndNoncesAreRefused) {
    uint8_t zero[32] = {}, pub[64], sig[64], hash[32] = {1};
    sgvr::CCurveParameters params;
    sgvr::CGostCurve::TestParameters(params);
    EXPECT_FALSE(sgvrtool::DerivePublicKey(zero, pub));
    EXPECT_FALSE(sgvrtool::DerivePublicKey(params.q, pub));
    uint8_t d[32];
    ASSERT_TRUE(sgvrtool::GenerateKeyPair(d, pub));
    EXPECT_FALSE(sgvrtool::SignHashWithNonce(d, hash, zero, sig));
    EXPECT_FALSE(sgvrtool::SignHashWithNonce(d, hash, params.q, sig));
}
