#pragma once
// GOST R 34.10-2001 key generation and signing on the test curve, for our own test
// keys and for a vendor's tools. Not part of the verifying library the patcher ships.
// The base-point multiplication uses the verifier's table and is not constant-time:
// run it on a machine where no other party measures its timing.
#include <cstddef>
#include <cstdint>

namespace sgvrtool {

constexpr size_t kPrivateKeySize = 32;  // d, big-endian, 1 <= d < q

// Random d in [1, q - 1] and Q = d P.
bool GenerateKeyPair(uint8_t privateKey[kPrivateKeySize], uint8_t publicKey[64]);
// Q = d P; false when d is not in [1, q - 1].
bool DerivePublicKey(const uint8_t privateKey[kPrivateKeySize], uint8_t publicKey[64]);
// Signature r || s over a 32-byte hash (read big-endian, e = hash mod q, 1 when 0),
// with a fresh random nonce for every call.
bool SignHash(const uint8_t privateKey[kPrivateKeySize], const uint8_t hash[32], uint8_t signature[64]);
// The same with a given nonce k (tests); false when k is out of range or gives r or s = 0.
bool SignHashWithNonce(const uint8_t privateKey[kPrivateKeySize], const uint8_t hash[32], const uint8_t k[32],
                       uint8_t signature[64]);

}  // namespace sgvrtool
