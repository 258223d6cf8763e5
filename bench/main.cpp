// Hash throughput and verifications per second of our arithmetic against RHash,
// libgcrypt, Botan 2 and OpenSSL's GOST engine, measured in the same run. Each round
// measures every candidate once, in turn; ratios are taken per round.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>

#include "BenchStats.h"
#include "Candidates.h"

using namespace sgvrbench;

namespace {

void HashBench(const std::vector<CHashCandidate>& cands, size_t size, int rounds) {
    std::vector<uint8_t> buf(size);
    std::mt19937 rng(1);
    for (auto& b : buf) b = static_cast<uint8_t>(rng());
    // Enough repetitions that one measurement takes about 0.2 s at 100 MB/s.
    const int reps = static_cast<int>(std::max<size_t>(1, 20000000 / size));
    std::vector<CSeries> mbps(cands.size()), ratio(cands.size());
    uint8_t out[32];
    for (int r = 0; r < rounds; ++r) {
        std::vector<double> t(cands.size());
        for (size_t c = 0; c < cands.size(); ++c) {
            t[c] = TimeIt([&] {
                for (int i = 0; i < reps; ++i) cands[c].hash(buf.data(), buf.size(), out);
            });
            mbps[c].values.push_back(static_cast<double>(size) * reps / t[c] / 1e6);
        }
        for (size_t c = 1; c < cands.size(); ++c) ratio[c].values.push_back(t[c] / t[0]);
    }
    std::printf("\nHash, %zu-byte buffer x %d, %d rounds (MB/s = 10^6 bytes/s)\n", size, reps, rounds);
    std::printf("  %-45s %10s %10s   %s\n", "implementation", "min MB/s", "median", "ours / it: min  median");
    for (size_t c = 0; c < cands.size(); ++c) {
        std::printf("  %-45s %10.1f %10.1f", cands[c].name.c_str(), mbps[c].Min(), mbps[c].Median());
        if (c) std::printf("   %5.2fx %6.2fx", ratio[c].Min(), ratio[c].Median());
        std::printf("\n");
    }
}

void VerifyBench(const std::vector<CVerifyCandidate>& cands, int rounds) {
    std::vector<CSeries> rate(cands.size()), ratio(cands.size());
    for (size_t c = 0; c < cands.size(); ++c)
        if (!cands[c].verifyOnce()) throw std::runtime_error(cands[c].name + ": signature did not verify");
    for (int r = 0; r < rounds; ++r) {
        std::vector<double> perSec(cands.size());
        for (size_t c = 0; c < cands.size(); ++c) {
            int n = 0;
            const double t = TimeIt([&] {
                const auto start = std::chrono::steady_clock::now();
                while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(300)) {
                    for (int i = 0; i < 10; ++i) n += cands[c].verifyOnce() ? 1 : 0;
                }
            });
            perSec[c] = n / t;
            rate[c].values.push_back(perSec[c]);
        }
        for (size_t c = 1; c < cands.size(); ++c) ratio[c].values.push_back(perSec[0] / perSec[c]);
    }
    std::printf("\nSignature verification, %d rounds of 0.3 s each\n", rounds);
    std::printf("  %-45s %10s %10s   %s\n", "implementation", "min /s", "median", "ours / it: min  median");
    for (size_t c = 0; c < cands.size(); ++c) {
        std::printf("  %-45s %10.0f %10.0f", cands[c].name.c_str(), rate[c].Min(), rate[c].Median());
        if (c) std::printf("   %5.2fx %6.2fx", ratio[c].Min(), ratio[c].Median());
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            rounds = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else {
            std::fprintf(stderr, "usage: sgvr_bench [--rounds N] [--quick]\n");
            return 2;
        }
    }
    if (rounds < 1) rounds = 1;
    try {
        const std::vector<CHashCandidate> hashes = HashCandidates();
        if (!quick) HashBench(hashes, 64u << 20, rounds);
        HashBench(hashes, 176734, rounds);
        VerifyBench(VerifyCandidates(), rounds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sgvr_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
