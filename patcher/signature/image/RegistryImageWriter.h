#pragma once
// Writes registry images: the header, the chosen codec blocks and the tree
// stream. The system itself only reads them; vendors and our tests make them.

#include "image/BlockChain.h"
#include "image/Node.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sgvr {

constexpr uint16_t kDefaultLargestChunk = 1024;
constexpr uint32_t kDefaultLz77Block = 8192;
constexpr uint32_t kDefaultCheckBlock = 1020;

struct WriteOptions {
    uint32_t registryId = 0;  // 23 bits
    bool registryFlag = false;
    // Codec blocks, outermost first: codec 2 (param = largest chunk length,
    // at most 65535) and codec 1 (param = output block size).
    std::vector<CodecLayer> codecs;
    uint16_t plainCodec = kCodecPlain;  // 0 or 3
    uint32_t checkBlockSize = kDefaultCheckBlock;
};

// The children of top become the root node and its siblings.
bool WriteRegistryImage(const Node& top, const WriteOptions& options, std::vector<uint8_t>& image, std::string& error);

}  // namespace sgvr
