#pragma once
// Writer side of codec 2: cuts its input into chunks of at most the given
// length, each preceded by its CRC register value and its length.

#include "bytes/ByteView.h"

#include <cstdint>
#include <vector>

namespace sgvr {

std::vector<uint8_t> EncodeChunks(ByteView input, uint16_t largestChunk);

}  // namespace sgvr
