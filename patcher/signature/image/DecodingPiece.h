#pragma once
// Decoded output is handed on in pieces of at most this many bytes.

#include <cstddef>

namespace sgvr {

constexpr size_t kDecodingPiece = 16384;

}  // namespace sgvr
