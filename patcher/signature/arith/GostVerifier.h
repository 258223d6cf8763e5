#pragma once
// GOST R 34.10-2001 verification context: domain parameters, one public key at a
// time, and the check of a 32-byte hash against a 64-byte r || s signature.
// Every method answers with a SmallResult code.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "arith/GostCurve.h"

namespace sgvr {

constexpr size_t kGostPublicKeySize = 64;  // x then y, big-endian
constexpr size_t kGostSignatureSize = 64;  // r then s, big-endian
constexpr size_t kGostOrderSize = 32;

class CGostVerifier {
public:
    static constexpr uint32_t kMagic = 0x9ABCDEF9;

    CGostVerifier() = default;
    CGostVerifier(const CGostVerifier&) = delete;
    CGostVerifier& operator=(const CGostVerifier&) = delete;

    // Without parameters the built-in test curve is used. Explicit parameters must
    // have a 32-byte order (orderSize), else kResultWrongSize; parameters that do not
    // describe a curve give kResultMismatch. A second load gives kResultAlreadyLoaded.
    int LoadDomainParameters(const CCurveParameters* params = nullptr, size_t orderSize = kGostOrderSize);
    // 64 bytes: x then y. A key that is not a point of the curve is taken but never
    // verifies anything.
    int SetPublicKey(const uint8_t* key, size_t length);
    void UnloadPublicKey();
    // hash: 32 bytes, read as a big-endian number; signature: r || s.
    int Verify(const uint8_t* hash, size_t hashLength, const uint8_t* signature, size_t signatureLength) const;

    // kMagic while the object is alive (the library checks handles against it).
    uint32_t Magic() const { return magic_; }
    bool ParametersLoaded() const { return curve_ != nullptr; }
    bool PublicKeyLoaded() const { return keyLoaded_; }
    const CGostCurve* Curve() const { return curve_; }

private:
    uint32_t magic_ = kMagic;
    const CGostCurve* curve_ = nullptr;
    std::unique_ptr<CGostCurve> ownCurve_;  // explicit parameters
    bool keyLoaded_ = false;
    bool keyValid_ = false;
    CAffinePoint key_{};
};

}  // namespace sgvr
