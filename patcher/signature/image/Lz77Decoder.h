#pragma once
// Codec 1: LZ77 decompression steered by 16-bit flag words. Per item one
// flag bit: 1 a literal byte; 0 a copy, whose next bit picks a short copy
// (two length bits, one distance byte) or a long copy (two bytes, and a
// third when the length does not fit). Copies read the output already
// written and may overlap themselves.

#include "image/PieceSource.h"
#include "image/StreamCursor.h"
#include "image/Value.h"

namespace sgvr {

class Lz77Decoder : public PieceSource {
public:
    // Copies reach back at most this far.
    static constexpr size_t kWindow = 8192;

    Lz77Decoder(StreamCursor input, size_t maxOutput);
    ByteView NextPiece() override;

    // True once the end mark (a long copy with length byte 0) was read.
    bool SawEndMark() const { return sawEnd_; }

private:
    void Fail(ImageFault fault) {
        if (fault_ == ImageFault::None) fault_ = fault;
    }

    StreamCursor in_;
    size_t maxOutput_;
    size_t produced_ = 0;     // all output so far
    TreeUnique<uint8_t> buffer_;  // history, then the piece being made; not zero-filled
    size_t history_ = 0;      // bytes before the piece being made
    size_t lastPiece_ = 0;    // bytes handed out by the last call
    const uint8_t* ip_ = nullptr;
    const uint8_t* iend_ = nullptr;
    uint32_t flags_ = 0;
    unsigned bitsLeft_ = 0;
    bool sawEnd_ = false;
};

// Decodes a whole codec-1 stream (tests, tools). Returns the fault that
// stopped it, or None when the end mark was reached. The output holds what
// was decoded either way.
ImageFault Lz77DecodeAll(ByteView input, Bytes& output, size_t maxOutput);

}  // namespace sgvr
