#pragma once
// The block framing of registry contents: each block opens with "TLsw" and
// a 16-bit codec number. Codecs 0 and 3 carry the tree stream directly;
// codecs 1 and 2 take six parameter bytes and pass the rest of the block
// through themselves, and their output is again a block. The chain is
// decoded on demand, as far as the tree stream needs bytes.

#include "image/ImageLimits.h"
#include "image/PieceSource.h"
#include "image/StreamCursor.h"
#include "image/TreeMemory.h"

#include <vector>

namespace sgvr {

enum CodecNumber : uint16_t {
    kCodecPlain = 0,
    kCodecLz77 = 1,
    kCodecChunks = 2,
    kCodecPlainAlt = 3,  // read like codec 0
    kCodecScramble = 4,  // not supported
};

struct CodecLayer {
    uint16_t codec;
    uint32_t param;   // codec 2: largest chunk length; codec 1: output block size
    uint16_t param2;  // 0 in the images we know
};
using CodecLayers = std::vector<CodecLayer, TreeAllocator<CodecLayer>>;

class BlockChain {
public:
    BlockChain(ByteView contents, const ImageLimits& limits);
    BlockChain(const BlockChain&) = delete;
    BlockChain& operator=(const BlockChain&) = delete;

    // Reads the block headers down to the plain block. Afterwards Cursor()
    // stands at the first byte of the tree stream.
    ImageFault Open();

    StreamCursor& Cursor() { return cursor_; }
    const CodecLayers& Layers() const { return layers_; }
    uint16_t PlainCodec() const { return plainCodec_; }

private:
    const ImageLimits& limits_;
    ViewSource raw_;
    StreamCursor cursor_;
    std::vector<TreeUnique<PieceSource>, TreeAllocator<TreeUnique<PieceSource>>> stages_;
    CodecLayers layers_;
    uint16_t plainCodec_ = kCodecPlain;
};

}  // namespace sgvr
