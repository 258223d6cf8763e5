#pragma once
// Keys, signed content and the patcher's check sequence, shared by the
// signature library's benchmarks.
#include <cstdint>
#include <vector>

#include "bytes/ByteView.h"

namespace sgvrbench {

using Bytes = std::vector<uint8_t>;

// A private key file of the vendor tools: "gost2001-test-private " and 64 hex digits.
bool ReadKey(const char* path, uint8_t d[32]);

// The content followed by the trailer of its signature by d; the hash is
// bound to the object name when one is given.
Bytes Signed(Bytes content, const uint8_t d[32], const sgvr::ByteView* name = nullptr);

// The patcher's sequence: a context, both registries prepared, one object
// (under its name when one is given) checked. False unless every step succeeds.
bool CheckPackage(const Bytes& tl, const Bytes& oper, const Bytes& package, const sgvr::ByteView* name = nullptr);

}  // namespace sgvrbench
