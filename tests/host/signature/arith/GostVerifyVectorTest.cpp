// Every line of the GOST R 34.10-2001 test-curve vector file, and single-bit changes
// of the valid ones.
#include <gtest/gtest.h>

#include <map>

#include "arith/GostVerifier.h"
#include "arith/SmallResult.h"
#include "TestHex.h"
#include "TestVectors.h"

using namespace sgvrtest;

namespace {

int VerifyOnce(const std::vector<uint8_t>& key, const std::vector<uint8_t>& hash, const std::vector<uint8_t>& sig) {
    sgvr::CGostVerifier v;
    EXPECT_EQ(v.LoadDomainParameters(), sgvr::kResultOk);
    EXPECT_EQ(v.SetPublicKey(key.data(), key.size()), sgvr::kResultOk);
    return v.Verify(hash.data(), hash.size(), sig.data(), sig.size());
}

}  // namespace

TEST(GostVerifyVectors, EveryLineGivesItsVerdict) {
    const std::vector<VerifyVector> vectors = ParseVerifyVectors(VectorText("gost2001-test-curve.txt"));
    ASSERT_GE(vectors.size(), 7u);
    int valid = 0;
    for (const VerifyVector& v : vectors) {
        const int rc = VerifyOnce(v.key, v.hash, v.sig);
        if (v.valid) {
            EXPECT_EQ(rc, sgvr::kResultOk) << v.id;
            ++valid;
        } else {
            EXPECT_NE(rc, sgvr::kResultOk) << v.id;
        }
    }
    EXPECT_GE(valid, 1);
}

TEST(GostVerifyVectors, RangeCasesGiveTheirCodes) {
    const std::vector<VerifyVector> vectors = ParseVerifyVectors(VectorText("gost2001-test-curve.txt"));
    const std::map<std::string, int> expected = {
        {"i01_r0", sgvr::kResultRZero},       {"i02_s0", sgvr::kResultSZero},
        {"i03_s_eq_q", sgvr::kResultSOutOfRange}, {"i04_r_eq_q", sgvr::kResultROutOfRange},
        {"i05_r_plus_q", sgvr::kResultROutOfRange}, {"i06_s_plus_q", sgvr::kResultSOutOfRange},
    };
    size_t seen = 0;
    for (const VerifyVector& v : vectors) {
        auto it = expected.find(v.id);
        if (it == expected.end()) continue;
        ++seen;
        EXPECT_EQ(VerifyOnce(v.key, v.hash, v.sig), it->second) << v.id;
    }
    EXPECT_EQ(seen, expected.size());
}

TEST(GostVerifyVectors, AnySingleBitFlipOfAValidLineFails) {
    const std::vector<VerifyVector> vectors = ParseVerifyVectors(VectorText("gost2001-test-curve.txt"));
    for (const VerifyVector& v : vectors) {
        if (!v.valid) continue;
        sgvr::CGostVerifier verifier;
        ASSERT_EQ(verifier.LoadDomainParameters(), 0);
        ASSERT_EQ(verifier.SetPublicKey(v.key.data(), 64), 0);
        std::vector<uint8_t> hash = v.hash, sig = v.sig;
        for (size_t bit = 0; bit < 256; ++bit) {
            hash[bit / 8] ^= uint8_t(1u << (bit % 8));
            EXPECT_NE(verifier.Verify(hash.data(), 32, sig.data(), 64), 0) << v.id << " hash bit " << bit;
            hash[bit / 8] ^= uint8_t(1u << (bit % 8));
        }
        for (size_t bit = 0; bit < 512; ++bit) {
            sig[bit / 8] ^= uint8_t(1u << (bit % 8));
            EXPECT_NE(verifier.Verify(hash.data(), 32, sig.data(), 64), 0) << v.id << " signature bit " << bit;
            sig[bit / 8] ^= uint8_t(1u << (bit % 8));
        }
        ASSERT_EQ(verifier.Verify(hash.data(), 32, sig.data(), 64), 0);
        std::vector<uint8_t> key = v.key;
        for (size_t bit = 0; bit < 512; ++bit) {
            key[bit / 8] ^= uint8_t(1u << (bit % 8));
            EXPECT_NE(VerifyOnce(key, hash, sig), 0) << v.id << " key bit " << bit;
            key[bit / 8] ^= uint8_t(1u << (bit % 8));
        }
    }
}
