#pragma once
// Bounds the reader keeps so that a small hostile image cannot make it
// allocate without limit or recurse without end. Real registries are a few
// kilobytes with trees four or five levels deep; the defaults leave wide room.

#include <cstddef>
#include <cstdint>

namespace sgvr {

struct ImageLimits {
    // Bytes any one codec may produce, and bytes of the tree stream.
    size_t maxDecodedBytes = size_t(16) << 20;
    // Nodes plus attributes in one image.
    size_t maxItems = size_t(1) << 20;
    // Levels of child nodes below the top (the root node is level 1).
    unsigned maxDepth = 64;
    // Codec blocks around the final plain block.
    unsigned maxCodecLayers = 8;
};

}  // namespace sgvr
