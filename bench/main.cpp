// Hash throughput and verifications per second of our arithmetic against RHash,
// libgcrypt, Botan 2 and OpenSSL's GOST engine, measured in the same run with the
// candidates taking turns batch by batch.
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

// Other processes on a shared machine only ever add time, so each round keeps the
// fastest of many short batches; the ratios compare those per round.
constexpr int kBatchesPerRound = 60;

void HashBench(const std::vector<CHashCandidate>& cands, size_t size, int rounds) {
    std::vector<uint8_t> buf(size);
    std::mt19937 rng(1);
    for (auto& b : buf) b = static_cast<uint8_t>(rng());
    // Large buffers: one hash per batch and few batches; small ones: many.
    const int batches = size > (4u << 20) ? 2 : kBatchesPerRound;
    std::vector<CSeries> mbps(cands.size()), ratio(cands.size());
    uint8_t out[32];
    for (int r = 0; r < rounds; ++r) {
        std::vector<double> best(cands.size(), 1e30);
        for (int b = 0; b < batches; ++b)
            for (size_t c = 0; c < cands.size(); ++c)
                best[c] = std::min(best[c], TimeIt([&] { cands[c].hash(buf.data(), buf.size(), out); }));
        for (size_t c = 0; c < cands.size(); ++c) mbps[c].values.push_back(static_cast<double>(size) / best[c] / 1e6);
        for (size_t c = 1; c < cands.size(); ++c) ratio[c].values.push_back(best[c] / best[0]);
    }
    std::printf("\nHash, %zu-byte buffer: %d rounds, fastest of %d hashes per round (MB/s = 10^6 bytes/s)\n", size,
                rounds, batches);
    std::printf("  %-45s %10s %10s   %s\n", "implementation", "min MB/s", "median", "ours / it: min  median");
    for (size_t c = 0; c < cands.size(); ++c) {
        std::printf("  %-45s %10.1f %10.1f", cands[c].name.c_str(), mbps[c].Min(), mbps[c].Median());
        if (c) std::printf("   %5.2fx %6.2fx", ratio[c].Min(), ratio[c].Median());
        std::printf("\n");
    }
}

void VerifyBench(const std::vector<CVerifyCandidate>& cands, int rounds) {
    constexpr int kPerBatch = 10;
    std::vector<CSeries> rate(cands.size()), ratio(cands.size());
    for (size_t c = 0; c < cands.size(); ++c)
        if (!cands[c].verifyOnce()) throw std::runtime_error(cands[c].name + ": signature did not verify");
    for (int r = 0; r < rounds; ++r) {
        std::vector<double> best(cands.size(), 1e30);
        for (int b = 0; b < kBatchesPerRound; ++b)
            for (size_t c = 0; c < cands.size(); ++c) {
                int ok = 0;
                best[c] = std::min(best[c], TimeIt([&] {
                                       for (int i = 0; i < kPerBatch; ++i) ok += cands[c].verifyOnce() ? 1 : 0;
                                   }));
                if (ok != kPerBatch) throw std::runtime_error(cands[c].name + ": a verification failed");
            }
        for (size_t c = 0; c < cands.size(); ++c) rate[c].values.push_back(kPerBatch / best[c]);
        for (size_t c = 1; c < cands.size(); ++c) ratio[c].values.push_back(best[c] / best[0]);
    }
    std::printf("\nSignature verification: %d rounds, fastest of %d batches of %d per round\n", rounds,
                kBatchesPerRound, kPerBatch);
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
