// Verifier with arbitrary keys, hashes, signatures and trailers. Mode byte 1 uses a
// key that is on the curve, so the point arithmetic runs on arbitrary r and s.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "arith/GostVerifier.h"
#include "arith/SmallResult.h"
#include "arith/TrailerSignature.h"

namespace {
const uint8_t kCurveKey[64] = {
    0x7f, 0x2b, 0x49, 0xe2, 0x70, 0xdb, 0x6d, 0x90, 0xd8, 0x59, 0x5b, 0xec, 0x45, 0x8b, 0x50, 0xc5,
    0x85, 0x85, 0xba, 0x1d, 0x4e, 0x9b, 0x78, 0x8f, 0x66, 0x89, 0xdb, 0xd8, 0xe5, 0x6f, 0xd8, 0x0b,
    0x26, 0xf1, 0xb4, 0x89, 0xd6, 0x70, 0x1d, 0xd1, 0x85, 0xc8, 0x41, 0x3a, 0x97, 0x7b, 0x3c, 0xbb,
    0xaf, 0x64, 0xd1, 0xc5, 0x93, 0xd2, 0x66, 0x27, 0xdf, 0xfb, 0x10, 0x1a, 0x87, 0xff, 0x77, 0xda};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 + 32 + 64) return 0;
    const uint8_t mode = data[0] & 3;
    const uint8_t* hash = data + 1;
    const uint8_t* sig = data + 33;
    const uint8_t* rest = data + 97;
    const size_t restSize = size - 97;
    const uint8_t* key = kCurveKey;
    if (mode == 0) {
        if (restSize < 64) return 0;
        key = rest;
    }
    sgvr::CGostVerifier v;
    if (v.LoadDomainParameters() != sgvr::kResultOk) __builtin_trap();
    if (v.SetPublicKey(key, 64) != sgvr::kResultOk) __builtin_trap();
    const int rc = v.Verify(hash, 32, sig, 64);
    if (rc != sgvr::kResultOk && (rc < sgvr::kResultMismatch || rc > sgvr::kResultSOutOfRange)) __builtin_trap();
    v.UnloadPublicKey();
    if (mode == 2 && restSize >= sgvr::kTrailerSize) {
        const int t = sgvr::VerifyTrailerWithKey(v, rest, hash, kCurveKey, 64);
        if (t == sgvr::kResultKeyAlreadyLoaded || v.PublicKeyLoaded()) __builtin_trap();
    }
    return 0;
}
