#pragma once
// The signature record inside a trailer and the check of a trailer against one key.
#include <cstddef>
#include <cstdint>

#include "arith/GostVerifier.h"
#include "arith/TrailerFinder.h"

namespace sgvr {

constexpr uint8_t kSignatureRecordFormat = 1;
constexpr size_t kSignatureRecordSize = 66;  // format, length, r || s

// Decodes the 88 characters after the marker; true when they give 66 bytes with
// format 1 and length 64. The signature is r || s.
bool DecodeSignatureRecord(const uint8_t trailer[kTrailerSize], uint8_t signature[kGostSignatureSize]);

// Builds a trailer from a signature (signing side and tests).
void EncodeTrailer(const uint8_t signature[kGostSignatureSize], uint8_t trailer[kTrailerSize]);

// Loads key (64 bytes) into the verifier, verifies the trailer's signature over the
// signed hash, then unloads the key. Returns a SmallResult; an unreadable record
// counts as a mismatch.
int VerifyTrailerWithKey(CGostVerifier& verifier, const uint8_t trailer[kTrailerSize],
                         const uint8_t hash[32], const uint8_t* key, size_t keyLength);

}  // namespace sgvr
