// One package check as the patcher makes it (context, tl.pbv and oper.pbv,
// prepared set, one object under its name) on packages of 176734 bytes and
// 1 MiB, against the hashing it cannot avoid: our own GOST R 34.11-94 of the
// package and RHash's, measured in the same run. Prints the time of a check,
// the share of it spent hashing, and the ratio to RHash's hash.
//   bench_package_check TL.PBV OPER.PBV PACKAGE-KEY
#include <rhash.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "BenchPackages.h"
#include "BenchStats.h"
#include "arith/GostHash.h"
#include "arith/TrailerSignature.h"

namespace {

using sgvrbench::Bytes;

Bytes ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The object name the patcher checks the package under: "hf41.msp" in UTF-16LE with its terminator.
const uint8_t kName[] = {'h', 0, 'f', 0, '4', 0, '1', 0, '.', 0, 'm', 0, 's', 0, 'p', 0, 0, 0};
const sgvr::ByteView kObjectName{kName, sizeof kName};

// A package of the given size, signed under the patcher's object name.
Bytes SignedPackage(size_t total, const uint8_t d[32]) {
    Bytes p(total - sgvr::kTrailerSize);
    for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    return sgvrbench::Signed(std::move(p), d, &kObjectName);
}

bool CheckPackage(const Bytes& tl, const Bytes& oper, const Bytes& package) {
    return sgvrbench::CheckPackage(tl, oper, package, &kObjectName);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_package_check TL.PBV OPER.PBV PACKAGE-KEY\n");
        return 2;
    }
    const Bytes tl = ReadFile(argv[1]), oper = ReadFile(argv[2]);
    uint8_t d[32];
    if (tl.empty() || oper.empty() || !sgvrbench::ReadKey(argv[3], d)) {
        std::fprintf(stderr, "cannot read the registries or the key\n");
        return 2;
    }
    rhash_library_init();
    std::printf("%-10s %12s %12s %12s %10s %12s\n", "package", "check ms", "our hash ms", "RHash ms", "hash share",
                "check/RHash");
    for (size_t size : {size_t(176734), size_t(1) << 20}) {
        const Bytes package = SignedPackage(size, d);
        if (!CheckPackage(tl, oper, package)) {
            std::fprintf(stderr, "the package did not pass\n");
            return 1;
        }
        sgvrbench::CSeries check, ours, rhash;
        for (int round = 0; round < 15; ++round) {
            check.values.push_back(sgvrbench::TimeIt([&] { CheckPackage(tl, oper, package); }));
            uint8_t out[64];
            ours.values.push_back(sgvrbench::TimeIt([&] { sgvr::CGostHash::Compute(package.data(), package.size(), out); }));
            rhash.values.push_back(sgvrbench::TimeIt([&] { rhash_msg(RHASH_GOST94, package.data(), package.size(), out); }));
        }
        std::printf("%-10zu %12.3f %12.3f %12.3f %9.0f%% %12.2f\n", size, check.Min() * 1e3, ours.Min() * 1e3,
                    rhash.Min() * 1e3, 100 * ours.Min() / check.Min(), check.Min() / rhash.Min());
    }
    return 0;
}
