#pragma once
// The two hashes of an image: the identifying hash (whole image, then each name
// started from the value so far) and the signed hash (the bytes before the trailer,
// then the names in the same way), which comes with the trailer it is checked against.
#include <cstddef>
#include <cstdint>

#include "arith/GostHash.h"
#include "arith/TrailerFinder.h"
#include "bytes/ByteView.h"

namespace sgvr {

// h = GOST R 34.11-94 of each name in turn, started from h.
void ApplyNames(uint8_t hash[kGostHashSize], const ByteView* names, size_t nameCount);

void ComputeIdentifyingHash(const uint8_t* image, size_t size, const ByteView* names, size_t nameCount,
                            uint8_t hash[kGostHashSize]);

// Signed hash of an image fed in chunks of any size. Everything but the last 94
// bytes seen so far is hashed as it arrives; the trailer finder runs over each chunk
// and remembers a marker split across a chunk border.
class CSignedHasher {
public:
    CSignedHasher();
    void Update(const uint8_t* chunk, size_t length);
    // kStatusOk with the hash of the bytes before the trailer and the 94 trailer
    // bytes, or kStatusNoTrailer. A trailer counts only when the last marker of the
    // image starts exactly 94 bytes before its end and the image ends in "%%":
    // bytes after a trailer would otherwise pass unsigned. Finish is once only: later
    // calls answer kStatusNoTrailer, and later updates are ignored. With whole given,
    // it also receives the hash of every byte seen (trailer or not), from the same pass.
    uint32_t Finish(uint8_t hash[kGostHashSize], uint8_t trailer[kTrailerSize], uint8_t* whole = nullptr);

private:
    void ScanMarkers(const uint8_t* chunk, size_t length);

    CGostHash hash_;
    uint8_t window_[kTrailerSize];  // the last bytes seen, not yet hashed
    size_t windowLength_ = 0;
    uint64_t total_ = 0;            // bytes seen
    uint64_t lastMarker_ = 0;       // start of the last complete marker
    bool haveMarker_ = false;
    size_t carry_ = 0;              // length of a partial marker at the end of the data
    bool finished_ = false;
};

// Reads the image in chunks of at most 32767 bytes, as a read callback would supply
// it, then applies the names to the signed hash.
uint32_t ComputeSignedHash(const uint8_t* image, size_t size, const ByteView* names, size_t nameCount,
                           uint8_t hash[kGostHashSize], uint8_t trailer[kTrailerSize]);

}  // namespace sgvr
