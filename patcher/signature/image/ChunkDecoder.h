#pragma once
// Codec 2: checked chunks. Each chunk is a CRC register value over its
// bytes, a 16-bit length (not above the largest chunk length) and the bytes.
// A chunk is handed on only after its check value matched.

#include "image/PieceSource.h"
#include "image/StreamCursor.h"
#include "image/Value.h"

namespace sgvr {

class ChunkDecoder : public PieceSource {
public:
    ChunkDecoder(StreamCursor input, uint32_t largestChunk, size_t maxOutput);
    ByteView NextPiece() override;

private:
    bool LoadChunk();

    StreamCursor in_;
    uint32_t largestChunk_;
    size_t maxOutput_;
    size_t produced_ = 0;
    Bytes spill_;       // a chunk that spans input pieces
    ByteView pending_;  // rest of the current chunk
    bool ended_ = false;
};

}  // namespace sgvr
