// A prepared set whose intermediate registry carries many key entries, each
// serving its own registry id: the time of one whole check (context, both
// registries prepared, one package verified by the last key) for growing
// counts. The index of served ids and the gathering of keys per id must stay
// near linear in the entries.
//   bench_id_index BUILTIN-ROOT-KEY [COUNT...]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchPackages.h"
#include "BenchStats.h"
#include "image/RegistryImageWriter.h"
#include "signer/GostSigner.h"

namespace {

using sgvrbench::Bytes;
using sgvrbench::Signed;

// A registry of key entries, entry i serving served[i].
Bytes KeyRegistry(uint32_t id, const uint8_t pub[64], const std::vector<uint32_t>& served) {
    sgvr::NodePtr top = sgvr::Node::Create(0);
    sgvr::Node& root = top->AddChild(0x01160000);
    for (size_t i = 0; i < served.size(); ++i) {
        sgvr::Node& e = root.AddChild(0x2A1E0000 | static_cast<uint32_t>((i % 0xFFFE) + 1), sgvr::Value::FromBytes(pub, 64));
        e.AddAttribute(0x091E0001, sgvr::Value::FromU32(served[i]));
    }
    sgvr::WriteOptions options;
    options.registryId = id;
    Bytes image;
    std::string error;
    if (!sgvr::WriteRegistryImage(*top, options, image, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    uint8_t builtin[32];
    if (argc < 2 || !sgvrbench::ReadKey(argv[1], builtin)) {
        std::fprintf(stderr, "usage: bench_id_index BUILTIN-ROOT-KEY [COUNT...]\n");
        return 2;
    }
    std::vector<unsigned long> counts;
    for (int i = 2; i < argc; ++i) counts.push_back(std::strtoul(argv[i], nullptr, 10));
    if (counts.empty()) counts = {2000, 8000, 32000, 100000};
    uint8_t tlPriv[32], tlPub[64], operPriv[32], operPub[64];
    sgvrtool::GenerateKeyPair(tlPriv, tlPub);
    sgvrtool::GenerateKeyPair(operPriv, operPub);
    const Bytes root = Signed(KeyRegistry(0x7FFFFC, tlPub, {0x7FFFFA}), builtin);
    const Bytes package = Signed(Bytes(4096, 0x5A), operPriv);
    std::printf("%10s %12s %14s\n", "key entries", "image bytes", "check ms");
    for (unsigned long n : counts) {
        std::vector<uint32_t> served(n);
        for (unsigned long i = 0; i < n; ++i) served[i] = 0x000100 + static_cast<uint32_t>(i);
        const Bytes inter = Signed(KeyRegistry(0x7FFFFA, operPub, served), tlPriv);
        sgvrbench::CSeries t;
        for (int round = 0; round < 3; ++round) {
            bool ok = false;
            t.values.push_back(sgvrbench::TimeIt([&] { ok = sgvrbench::CheckPackage(root, inter, package); }));
            if (!ok) {
                std::fprintf(stderr, "the check failed at %lu entries\n", n);
                return 1;
            }
            if (t.values.back() > 5) break;  // one slow round tells enough
        }
        std::printf("%10lu %12zu %14.1f\n", n, inter.size(), t.Min() * 1e3);
        std::fflush(stdout);
    }
    return 0;
}
