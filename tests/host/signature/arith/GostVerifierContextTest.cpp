// State, argument and key rules of the verification context.
#include <gtest/gtest.h>

#include "arith/GostVerifier.h"
#include "arith/SmallResult.h"
#include "TestHex.h"

using namespace sgvrtest;

namespace {

const std::vector<uint8_t> kKey = FromHex(
    "7f2b49e270db6d90d8595bec458b50c58585ba1d4e9b788f6689dbd8e56fd80b"
    "26f1b489d6701dd185c8413a977b3cbbaf64d1c593d26627dffb101a87ff77da");
const std::vector<uint8_t> kHash = FromHex("2dfbc1b372d89a1188c09c52e0eec61fce52032ab1022e8e67ece6672b043ee5");
const std::vector<uint8_t> kSig = FromHex(
    "41aa28d2f1ab148280cd9ed56feda41974053554a42767b83ad043fd39dc0493"
    "01456c64ba4642a1653c235a98a60249bcd6d3f746b631df928014f6c5bf9c40");

}  // namespace

TEST(GostVerifierContext, StateCodes) {
    sgvr::CGostVerifier v;
    EXPECT_EQ(v.SetPublicKey(kKey.data(), 64), sgvr::kResultNoParameters);
    EXPECT_EQ(v.Verify(kHash.data(), 32, kSig.data(), 64), sgvr::kResultNoParameters);
    ASSERT_EQ(v.LoadDomainParameters(), sgvr::kResultOk);
    EXPECT_EQ(v.LoadDomainParameters(), sgvr::kResultAlreadyLoaded);
    EXPECT_EQ(v.Verify(kHash.data(), 32, kSig.data(), 64), sgvr::kResultNoPublicKey);
    ASSERT_EQ(v.SetPublicKey(kKey.data(), 64), sgvr::kResultOk);
    EXPECT_EQ(v.SetPublicKey(kKey.data(), 64), sgvr::kResultKeyAlreadyLoaded);
    EXPECT_EQ(v.Verify(kHash.data(), 32, kSig.data(), 64), sgvr::kResultOk);
    v.UnloadPublicKey();
    EXPECT_EQ(v.Verify(kHash.data(), 32, kSig.data(), 64), sgvr::kResultNoPublicKey);
}

TEST(GostVerifierContext, MissingArgumentsAndWrongSizes) {
    sgvr::CGostVerifier v;
    ASSERT_EQ(v.LoadDomainParameters(), 0);
    EXPECT_EQ(v.SetPublicKey(nullptr, 64), sgvr::kResultMissingArgument);
    EXPECT_EQ(v.SetPublicKey(kKey.data(), 63), sgvr::kResultWrongSize);
    ASSERT_EQ(v.SetPublicKey(kKey.data(), 64), 0);
    EXPECT_EQ(v.Verify(nullptr, 32, kSig.data(), 64), sgvr::kResultMissingArgument);
    EXPECT_EQ(v.Verify(kHash.data(), 32, nullptr, 64), sgvr::kResultMissingArgument);
    EXPECT_EQ(v.Verify(kHash.data(), 31, kSig.data(), 64), sgvr::kResultWrongSize);
    EXPECT_EQ(v.Verify(kHash.data(), 32, kSig.data(), 65), sgvr::kResultWrongSize);

    sgvr::CCurveParameters params;
    sgvr::CGostCurve::TestParameters(params);
    sgvr::CGostVerifier explicitParams;
    EXPECT_EQ(explicitParams.LoadDomainParameters(&params, 31), sgvr::kResultWrongSize);
    EXPECT_EQ(explicitParams.LoadDomainParameters(&params, 32), sgvr::kResultOk);
    ASSERT_EQ(explicitParams.SetPublicKey(kKey.data(), 64), 0);
    EXPECT_EQ(explicitParams.Verify(kHash.data(), 32, kSig.data(), 64), sgvr::kResultOk);
}

TEST(GostVerifierContext, ExplicitParametersThatAreNoCurveAreRefused) {
    sgvr::CCurveParameters params;
    sgvr::CGostCurve::TestParameters(params);
    params.y[31] ^= 1;  // base point off the curve
    sgvr::CGostVerifier v;
    EXPECT_EQ(v.LoadDomainParameters(&params, 32), sgvr::kResultMismatch);
    EXPECT_FALSE(v.ParametersLoaded());
}

TEST(GostVerifierContext, KeyOffTheCurveNeverVerifies) {
    sgvr::CGostVerifier v;
    ASSERT_EQ(v.LoadDomainParameters(), 0);
    // x, y >= p and points that miss the equation, including (0, 0).
    std::vector<std::vector<uint8_t>> bad;
    bad.push_back(std::vector<uint8_t>(64, 0));
    bad.push_back(std::vector<uint8_t>(64, 0xFF));
    std::vector<uint8_t> k = kKey;
    k[63] ^= 2;
    bad.push_back(k);
    for (const auto& key : bad) {
        v.UnloadPublicKey();
        ASSERT_EQ(v.SetPublicKey(key.data(), 64), 0);
        EXPECT_EQ(v.Verify(kHash.data(), 32, kSig.data(), 64), sgvr::kResultMismatch) << ToHex(key);
    }
}

TEST(GostVerifierContext, RangeChecksComeBeforeTheKeyIsUsed) {
    // With an unusable key the range codes still come first: they need no arithmetic.
    sgvr::CGostVerifier v;
    ASSERT_EQ(v.LoadDomainParameters(), 0);
    std::vector<uint8_t> key(64, 0);
    ASSERT_EQ(v.SetPublicKey(key.data(), 64), 0);
    std::vector<uint8_t> sig(64, 0);
    EXPECT_EQ(v.Verify(kHash.data(), 32, sig.data(), 64), sgvr::kResultRZero);
    sig[31] = 1;
    EXPECT_EQ(v.Verify(kHash.data(), 32, sig.data(), 64), sgvr::kResultSZero);
    std::fill(sig.begin(), sig.begin() + 32, 0xFF);
    sig[63] = 1;
    EXPECT_EQ(v.Verify(kHash.data(), 32, sig.data(), 64), sgvr::kResultROutOfRange);
    std::fill(sig.begin(), sig.end(), 0xFF);
    sig[0] = 0x01;
    EXPECT_EQ(v.Verify(kHash.data(), 32, sig.data(), 64), sgvr::kResultSOutOfRange);
}
