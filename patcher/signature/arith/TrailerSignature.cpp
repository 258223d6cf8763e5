#include "arith/TrailerSignature.h"

#include <cstring>

#include "arith/Radix64.h"
#include "arith/SecureWipe.h"
#include "arith/SmallResult.h"

namespace sgvr {

bool DecodeSignatureRecord(const uint8_t trailer[kTrailerSize], uint8_t signature[kGostSignatureSize]) {
    if (!trailer || !signature) return false;
    uint8_t record[kSignatureRecordSize];
    const size_t n = DecodeRadix64(reinterpret_cast<const char*>(trailer + kTrailerMarkerSize), kTrailerTextSize,
                                   record, sizeof record);
    const bool ok = n == kSignatureRecordSize && record[0] == kSignatureRecordFormat && record[1] == kGostSignatureSize;
    if (ok) std::memcpy(signature, record + 2, kGostSignatureSize);
    SecureWipe(record, sizeof record);
    return ok;
}

void EncodeTrailer(const uint8_t signature[kGostSignatureSize], uint8_t trailer[kTrailerSize]) {
    uint8_t record[kSignatureRecordSize];
    record[0] = kSignatureRecordFormat;
    record[1] = static_cast<uint8_t>(kGostSignatureSize);
    std::memcpy(record + 2, signature, kGostSignatureSize);
    std::memcpy(trailer, kTrailerMarker, kTrailerMarkerSize);
    EncodeRadix64(record, sizeof record, reinterpret_cast<char*>(trailer + kTrailerMarkerSize), kTrailerTextSize);
    trailer[kTrailerSize - 2] = '%';
    trailer[kTrailerSize - 1] = '%';
}

int VerifyTrailerWithKey(CGostVerifier& verifier, const uint8_t trailer[kTrailerSize], const uint8_t hash[32],
                         const uint8_t* key, size_t keyLength) {
    if (!trailer || !hash || !key) return kResultMissingArgument;
    uint8_t signature[kGostSignatureSize];
    if (!DecodeSignatureRecord(trailer, signature)) return kResultMismatch;
    int rc = verifier.SetPublicKey(key, keyLength);
    if (rc == kResultOk) {
        rc = verifier.Verify(hash, 32, signature, sizeof signature);
        verifier.UnloadPublicKey();
    }
    SecureWipe(signature, sizeof signature);
    return rc;
}

}  // namespace sgvr
