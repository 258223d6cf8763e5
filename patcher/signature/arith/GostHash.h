#pragma once
// GOST R 34.11-94 hash context (test parameter set).
//
// Byte order of a hash value everywhere in the system: byte j of the 32 bytes holds
// bits 8j..8j+7 of the standard's 256-bit H (the order RHash prints). A value used as
// a signature hash is these 32 bytes read as a big-endian number.
#include <cstddef>
#include <cstdint>

#include "arith/GostHashSBox.h"

namespace sgvr {

constexpr size_t kGostHashSize = 32;

class CGostHash {
public:
    static constexpr uint32_t kMagic = 0x9ABCDEF5;

    CGostHash();
    ~CGostHash();
    CGostHash(const CGostHash&) = delete;
    CGostHash& operator=(const CGostHash&) = delete;

    // Starts a hash. With a starting value (32 bytes, hash byte order) H takes it with
    // the bytes of each four-byte group reversed; without one H starts at zero.
    int Start(const uint8_t* startValue = nullptr);
    // Returns kResultNoParameters when not started, kResultMissingArgument for data
    // == nullptr with a non-zero length.
    int Update(const void* data, size_t length);
    // Writes the 32 bytes of H and wipes the context back to its unstarted state.
    int Finish(uint8_t out[kGostHashSize]);

    // Makes other a copy of this running hash, so that one prefix serves two hashes.
    void CopyTo(CGostHash& other) const;

    bool Started() const { return started_; }
    // kMagic while the object is alive (the library checks handles against it).
    uint32_t Magic() const { return magic_; }

    // One-shot helpers.
    static void Compute(const void* data, size_t length, uint8_t out[kGostHashSize]);
    static void ComputeFrom(const uint8_t start[kGostHashSize], const void* data, size_t length,
                            uint8_t out[kGostHashSize]);

private:
    void Wipe();

    uint32_t magic_ = kMagic;
    bool started_ = false;
    const CGostSBoxTables* tables_ = nullptr;
    uint32_t h_[8];        // H, word 0 least significant
    uint32_t sigma_[8];    // control sum
    uint64_t length_;      // bytes processed by the step function
    uint32_t waiting_;     // bytes in block_
    uint8_t block_[32];
};

// The compression function f(H, M) of GOST R 34.11-94 on little-endian words.
void GostHashStep(const CGostSBoxTables& t, uint32_t h[8], const uint32_t m[8]);

}  // namespace sgvr
