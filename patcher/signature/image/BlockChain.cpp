#include "image/BlockChain.h"

#include "image/ChunkDecoder.h"
#include "image/Lz77Decoder.h"

#include <cstring>

namespace sgvr {

BlockChain::BlockChain(ByteView contents, const ImageLimits& limits)
    : limits_(limits), raw_(contents), cursor_(raw_) {}

ImageFault BlockChain::Open() {
    for (;;) {
        uint8_t magic[4];
        uint16_t codec;
        if (!cursor_.Read(magic, 4) || !cursor_.ReadU16(codec)) return cursor_.Fault();
        if (std::memcmp(magic, "TLsw", 4) != 0) return ImageFault::BadBlockMagic;
        if (codec == kCodecPlain || codec == kCodecPlainAlt) {
            plainCodec_ = codec;
            return ImageFault::None;
        }
        if (codec == kCodecScramble) {
            uint16_t unused;
            if (!cursor_.ReadU16(unused)) return cursor_.Fault();
            return ImageFault::UnsupportedCodec;
        }
        if (codec != kCodecLz77 && codec != kCodecChunks) return ImageFault::UnknownCodec;
        CodecLayer layer{codec, 0, 0};
        if (!cursor_.ReadU32(layer.param) || !cursor_.ReadU16(layer.param2)) return cursor_.Fault();
        if (layers_.size() >= limits_.maxCodecLayers) return ImageFault::TooManyCodecs;
        layers_.push_back(layer);
        // The block's remaining bytes are the codec's input; its output is
        // read from the start as the next block.
        TreeUnique<PieceSource> stage;
        if (codec == kCodecChunks)
            stage = MakeTreeObject<ChunkDecoder>(cursor_, layer.param, limits_.maxDecodedBytes);
        else
            stage = MakeTreeObject<Lz77Decoder>(cursor_, limits_.maxDecodedBytes);
        stages_.push_back(std::move(stage));
        cursor_ = StreamCursor(*stages_.back());
    }
}

}  // namespace sgvr
