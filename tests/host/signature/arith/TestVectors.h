#pragma once
// The shared vector files, parsed. VectorText() comes from the file system on the
// host and from an embedded copy in the Windows test program.
#include <cstdint>
#include <string>
#include <vector>

namespace sgvrtest {

struct HashVector {
    std::string inputForm;             // "str:..." or "rep:NxHH"
    std::vector<uint8_t> input;
    size_t length = 0;            // as stated in the file
    std::string digestHex;
};

struct VerifyVector {
    std::string id;
    std::vector<uint8_t> key;     // 64
    std::vector<uint8_t> hash;    // 32
    std::vector<uint8_t> sig;     // 64, r || s
    bool valid = false;
};

// Text of a file in the shared vector folder. Throws std::runtime_error, naming the
// place it looked, when the file is missing: a missing vector file must fail tests.
std::string VectorText(const std::string& fileName);

std::vector<HashVector> ParseHashVectors(const std::string& text);
std::vector<VerifyVector> ParseVerifyVectors(const std::string& text);

}  // namespace sgvrtest
