#pragma once
// The implementations under comparison. Each hash candidate hashes a buffer; each
// verify candidate performs one verification of a valid signature and says whether
// it held (so no candidate is timed doing nothing).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sgvrbench {

struct CHashCandidate {
    std::string name;
    std::function<void(const uint8_t* data, size_t size, uint8_t out[32])> hash;
};

struct CVerifyCandidate {
    std::string name;
    std::function<bool()> verifyOnce;
};

std::vector<CHashCandidate> HashCandidates();     // ours first
std::vector<CVerifyCandidate> VerifyCandidates(); // ours first

}  // namespace sgvrbench
