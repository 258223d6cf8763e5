// The field multiplication paths side by side, on the work of one signature
// check (z1 P + z2 Q on the test curve, then the affine x) and on a chain of
// field multiplications. Built twice: with the 64-bit product of x86-64 and
// with the 32-bit product that the shipped i686 build runs.
#include <cstdio>
#include <random>

#include "BenchStats.h"
#include "arith/GostCurve.h"

using sgvr::CMontgomeryField;

namespace {

sgvr::CBigNum256 RandomBelow(const sgvr::CBigNum256& m, std::mt19937_64& rng) {
    sgvr::CBigNum256 v;
    do {
        for (int i = 0; i < 4; ++i) v.w[i] = rng();
        v.w[3] &= m.w[3] | (m.w[3] - 1);
    } while (!(v < m) || v.IsZero());
    return v;
}

}  // namespace

int main() {
#if defined(SGVR_PORTABLE_WIDE_MUL)
    const char* product = "32-bit product (i686's path)";
#else
    const char* product = "64-bit product";
#endif
    sgvr::CCurveParameters params;
    sgvr::CGostCurve::TestParameters(params);
    const struct {
        CMontgomeryField::Paths paths;
        const char* name;
    } kinds[] = {{CMontgomeryField::Paths::kAll, "sparse-modulus reduction"},
                 {CMontgomeryField::Paths::kGenericOnly, "generic Montgomery only"}};
    std::printf("%s\n  %-40s %14s %14s\n", product, "paths", "checks/s", "field mul/us");
    double base = 0;
    for (const auto& k : kinds) {
        auto curve = sgvr::CGostCurve::Create(params, k.paths);
        std::mt19937_64 rng(7);
        const sgvr::CBigNum256 q = curve->Fq().Modulus();
        sgvr::CJacobianPoint qj;
        curve->MulBase(RandomBelow(q, rng), qj);
        sgvr::CBigNum256 qx, qy;
        curve->ToAffinePlain(qj, qx, qy);
        sgvr::CAffinePoint key;
        curve->LoadPoint(qx, qy, key);
        sgvr::CBigNum256 z1[64], z2[64];
        for (int i = 0; i < 64; ++i) z1[i] = RandomBelow(q, rng), z2[i] = RandomBelow(q, rng);
        sgvrbench::CSeries checks, muls;
        volatile uint64_t sink = 0;
        for (int round = 0; round < 7; ++round) {
            checks.values.push_back(sgvrbench::TimeIt([&] {
                for (int i = 0; i < 64; ++i) {
                    sgvr::CJacobianPoint c;
                    curve->MulBaseAdd(z1[i], z2[i], key, c);
                    sgvr::CBigNum256 x, y;
                    curve->ToAffinePlain(c, x, y);
                    sink = sink + x.w[0];
                }
            }) / 64);
            const CMontgomeryField& f = curve->Fp();
            sgvr::CBigNum256 a = key.x, b = key.y;
            muls.values.push_back(sgvrbench::TimeIt([&] {
                for (int i = 0; i < 100000; ++i) f.Mul(a, b, a);
            }) / 100000);
            sink = sink + a.w[0];
        }
        if (base == 0) base = checks.Min();
        std::printf("  %-40s %14.0f %14.1f   (%.2fx the time of the first)\n", k.name, 1 / checks.Min(),
                    1e-6 / muls.Min(), checks.Min() / base);
    }
    return 0;
}
