// The special-form (2^255 + m0) and processor-specific multiplication paths against
// the generic Montgomery multiplication, on random and boundary operands.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "arith/GostCurve.h"
#include "arith/MontgomeryField.h"

using sgvr::CBigNum256;

namespace {

std::vector<CBigNum256> Operands(const CBigNum256& m, unsigned seed) {
    std::mt19937_64 rng(seed);
    CBigNum256 mMinus1, mMinus2;
    sgvr::Sub(m, CBigNum256::FromU64(1), mMinus1);
    sgvr::Sub(m, CBigNum256::FromU64(2), mMinus2);
    std::vector<CBigNum256> v = {CBigNum256::Zero(), CBigNum256::FromU64(1), CBigNum256::FromU64(2), mMinus1,
                                 mMinus2, CBigNum256{{~0ull, ~0ull, ~0ull, 0x7FFFFFFFFFFFFFFFull}},
                                 CBigNum256{{0, 0, 0, 0x8000000000000000ull}}, CBigNum256{{~0ull, 0, ~0ull, 0}}};
    for (int i = 0; i < 400; ++i) {
        CBigNum256 x{{rng(), rng(), rng(), rng()}};
        while (x >= m) x.w[3] >>= 1;
        v.push_back(x);
    }
    return v;
}

void CompareFields(const CBigNum256& modulus, bool prime, sgvr::CMontgomeryField::Paths paths) {
    const sgvr::CMontgomeryField fast(modulus, paths);
    const sgvr::CMontgomeryField generic(modulus, sgvr::CMontgomeryField::Paths::kGenericOnly);
    const std::vector<CBigNum256> ops = Operands(modulus, 7);
    for (size_t i = 0; i < ops.size(); ++i) {
        const CBigNum256& a = ops[i];
        const CBigNum256& b = ops[(i * 37 + 11) % ops.size()];
        CBigNum256 x, y;
        fast.Mul(a, b, x);
        generic.Mul(a, b, y);
        ASSERT_EQ(x, y) << "mul " << i;
        ASSERT_TRUE(x < modulus);
        fast.Sqr(a, x);
        generic.Mul(a, a, y);
        ASSERT_EQ(x, y) << "sqr " << i;
        fast.Add(a, b, x);
        generic.Add(a, b, y);
        ASSERT_EQ(x, y) << "add " << i;
        ASSERT_TRUE(x < modulus);
        fast.Sub(a, b, x);
        generic.Sub(a, b, y);
        ASSERT_EQ(x, y) << "sub " << i;
        ASSERT_TRUE(x < modulus);
    }
    // Round trips, and inverses where the modulus is prime.
    for (size_t i = 1; i < 40; ++i) {
        CBigNum256 m, back, inv, one;
        fast.ToMont(ops[i], m);
        fast.FromMont(m, back);
        ASSERT_EQ(back, ops[i]);
        if (!prime || ops[i].IsZero()) continue;
        fast.Inverse(m, inv);
        fast.Mul(m, inv, one);
        ASSERT_EQ(one, fast.One()) << i;
    }
}

void CompareFields(const CBigNum256& modulus, bool prime) {
    CompareFields(modulus, prime, sgvr::CMontgomeryField::Paths::kAll);
}

}  // namespace

TEST(MontgomeryField, CurvePrimeFastPathsMatchGeneric) {
    CompareFields(sgvr::CGostCurve::TestCurve().Fp().Modulus(), true);
}

TEST(MontgomeryField, OrderFieldMatchesGeneric) {
    CompareFields(sgvr::CGostCurve::TestCurve().Fq().Modulus(), true);
}

TEST(MontgomeryField, OtherSpecialFormModulusMatchesGeneric) {
    // Other low limbs (these moduli are not prime, so no inverses are checked).
    CompareFields(CBigNum256{{19, 0, 0, 0x8000000000000000ull}}, false);
    CompareFields(CBigNum256{{0xFFFFFFFFFFFFFFFFull, 0, 0, 0x8000000000000000ull}}, false);
}
