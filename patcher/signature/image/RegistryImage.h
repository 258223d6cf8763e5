#pragma once
// Reading a key registry image: the eight-byte header ("TLrg", format
// version 1, 23-bit registry id, registry flag), the block framing with its
// codecs, and the tree stream. A failed read keeps nothing.

#include "image/BlockChain.h"
#include "bytes/ByteView.h"
#include "image/ImageLimits.h"
#include "image/ImageStatus.h"
#include "image/Node.h"
#include "image/TreeStreamReader.h"

#include <cstdint>

namespace sgvr {

constexpr size_t kImageHeaderSize = 8;
constexpr uint8_t kImageFormatVersion = 1;
constexpr uint32_t kRegistryIdMask = 0x7FFFFF;
// Where the library keeps a loaded registry's id and flag.
constexpr NodeId kRegistryIdNode = 0x091E0001;
constexpr NodeId kRegistryFlagNode = 0x011E0002;

struct ImageHeader {
    uint32_t registryId = 0;  // bits 8 to 30 of the header word
    bool registryFlag = false;  // bit 31
};

struct ImageLayout {
    CodecLayers codecs;  // outermost first
    uint16_t plainCodec = kCodecPlain;  // 0 or 3
    uint32_t checkBlockSize = 0;
};

struct RegistryImage {
    ImageHeader header;
    // Identifier 0, no value; its children are the root node and its siblings.
    NodePtr top;
    ImageLayout layout;
};

struct ReadOptions {
    bool requireId = false;
    uint32_t requiredId = 0;
    ImageLimits limits;
};

// Checks the header only. Returns kImageOk or the refusal code.
uint32_t ReadImageHeader(ByteView image, const ReadOptions& options, ImageHeader& header,
                         ImageFault* fault = nullptr);

// Reads the whole image. On kImageOk, out holds the tree; on any refusal
// out is left as it was. Bytes after the tree stream (a signature trailer)
// are not read.
// With a sink the nodes go to it as they are read and out.top stays empty.
uint32_t ReadRegistryImage(ByteView image, const ReadOptions& options, RegistryImage& out,
                           ImageFault* fault = nullptr, TreeSink* sink = nullptr);

}  // namespace sgvr
