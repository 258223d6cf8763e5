#pragma once
// Compressor for codec 1: finds earlier occurrences within the 8192-byte
// window and writes literals, short copies (2 to 5 bytes, distance up to
// 256) and long copies (3 to 256 bytes), then the end mark. Its flag words
// are laid out exactly as the decoder reads them.

#include "bytes/ByteView.h"

#include <cstdint>
#include <vector>

namespace sgvr {

std::vector<uint8_t> Lz77Compress(ByteView input);

}  // namespace sgvr
