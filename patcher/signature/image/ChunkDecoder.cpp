#include "image/ChunkDecoder.h"

#include "image/Crc32.h"
#include "image/DecodingPiece.h"

namespace sgvr {

ChunkDecoder::ChunkDecoder(StreamCursor input, uint32_t largestChunk, size_t maxOutput)
    : in_(input), largestChunk_(largestChunk), maxOutput_(maxOutput) {}

ByteView ChunkDecoder::NextPiece() {
    while (pending_.empty()) {
        if (ended_ || fault_ != ImageFault::None || !LoadChunk()) return ByteView();
    }
    size_t n = pending_.size < kDecodingPiece ? pending_.size : kDecodingPiece;
    ByteView piece(pending_.data, n);
    pending_ = ByteView(pending_.data + n, pending_.size - n);
    return piece;
}

bool ChunkDecoder::LoadChunk() {
    if (!in_.More()) {
        // Input used up between chunks: the output is complete.
        if (in_.Fault() != ImageFault::None) fault_ = in_.Fault();
        else ended_ = true;
        return false;
    }
    uint32_t check = 0;
    uint16_t length = 0;
    if (!in_.ReadU32(check) || !in_.ReadU16(length)) {
        fault_ = in_.Fault();
        return false;
    }
    if (length > largestChunk_) {
        fault_ = ImageFault::ChunkTooLong;
        return false;
    }
    if (length > maxOutput_ - produced_) {
        fault_ = ImageFault::DecodedTooLarge;
        return false;
    }
    ByteView bytes;
    if (length != 0) {
        bytes = in_.TakeUpTo(length);
        if (bytes.size < length) {
            spill_.assign(bytes.begin(), bytes.end());
            spill_.resize(length);
            if (!in_.Read(spill_.data() + bytes.size, length - bytes.size)) {
                fault_ = in_.Fault();
                return false;
            }
            bytes = ByteView(spill_.data(), length);
        }
    }
    if (Crc32Update(kCrcStart, bytes.data, bytes.size) != check) {
        fault_ = ImageFault::BadChunkCheck;
        return false;
    }
    produced_ += length;
    pending_ = bytes;
    return true;
}

}  // namespace sgvr
