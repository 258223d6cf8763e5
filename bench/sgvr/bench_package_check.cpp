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
#include <string>
#include <vector>

#include "BenchStats.h"
#include "arith/GostHash.h"
#include "GostSigner.h"
#include "arith/ObjectHashes.h"
#include "sgvr/Sgvr.h"
#include "arith/TrailerSignature.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool ReadKey(const char* path, uint8_t d[32]) {
    std::ifstream in(path);
    std::string prefix, hex;
    in >> prefix >> hex;
    if (hex.size() != 64) return false;
    for (int i = 0; i < 32; ++i) d[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return true;
}

const uint8_t kName[] = {'h', 0, 'f', 0, '4', 0, '1', 0, '.', 0, 'm', 0, 's', 0, 'p', 0, 0, 0};

Bytes SignedPackage(size_t total, const uint8_t d[32]) {
    Bytes p(total - sgvr::kTrailerSize);
    for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    uint8_t hash[32], sig[64], trailer[sgvr::kTrailerSize];
    sgvr::CGostHash::Compute(p.data(), p.size(), hash);
    const sgvr::ByteView name{kName, sizeof kName};
    sgvr::ApplyNames(hash, &name, 1);
    sgvrtool::SignHash(d, hash, sig);
    sgvr::EncodeTrailer(sig, trailer);
    p.insert(p.end(), trailer, trailer + sizeof trailer);
    return p;
}

// The patcher's sequence; false when anything but success came back.
bool CheckPackage(const Bytes& tl, const Bytes& oper, const Bytes& package) {
    SGVR_CONTEXT context = SGVR_CreateContext(std::malloc, std::free, nullptr, 1);
    SGVR_PARLIST regs = nullptr, objects = nullptr;
    SGVR_ParList_Create(&regs);
    SGVR_ParList_AddRegistryBuffer(regs, 0, tl.data(), static_cast<uint32_t>(tl.size()), nullptr, 0);
    SGVR_ParList_AddRegistryBuffer(regs, 0, oper.data(), static_cast<uint32_t>(oper.size()), nullptr, 0);
    bool ok = SGVR_PrepareRegsSet(context, regs, 0) == SGVR_OK;
    SGVR_ParList_Create(&objects);
    SGVR_ENTRY e = SGVR_ParList_AddObjectBuffer(objects, 0, package.data(), static_cast<uint32_t>(package.size()),
                                                nullptr, 0);
    SGVR_ParList_SetObjectName(objects, e, kName, sizeof kName);
    ok = ok && SGVR_CheckObjects(context, objects, 0) == SGVR_OK;
    SGVR_ParList_Destroy(objects);
    SGVR_ParList_Destroy(regs);
    SGVR_DestroyContext(context, 1);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_package_check TL.PBV OPER.PBV PACKAGE-KEY\n");
        return 2;
    }
    const Bytes tl = ReadFile(argv[1]), oper = ReadFile(argv[2]);
    uint8_t d[32];
    if (tl.empty() || oper.empty() || !ReadKey(argv[3], d)) {
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
