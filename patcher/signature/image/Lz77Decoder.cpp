#include "image/Lz77Decoder.h"

#include "image/DecodingPiece.h"

#include <cstdint>
#include <cstring>

namespace sgvr {
namespace {

constexpr size_t kLongestItem = 256;  // a long copy with length byte 255
constexpr size_t kBufferedPieces = 4;

}  // namespace

Lz77Decoder::Lz77Decoder(StreamCursor input, size_t maxOutput) : in_(input), maxOutput_(maxOutput) {}

ByteView Lz77Decoder::NextPiece() {
    if (sawEnd_ || fault_ != ImageFault::None) return ByteView();
    constexpr size_t kBufferSize = kWindow + kBufferedPieces * kDecodingPiece;
    if (!buffer_) buffer_.reset(static_cast<uint8_t*>(TreeAllocate(kBufferSize)));

    // Pieces follow each other in the buffer; when the next one no longer
    // fits, the last kWindow bytes move to the front as history for the
    // copies to come.
    size_t filled = history_ + lastPiece_;
    if (filled + kDecodingPiece > kBufferSize) {
        const size_t keep = filled < kWindow ? filled : kWindow;
        std::memmove(buffer_.get(), buffer_.get() + filled - keep, keep);
        filled = keep;
    }
    history_ = filled;
    uint8_t* const start = buffer_.get() + history_;
    uint8_t* out = start;
    uint8_t* const limit = start + kDecodingPiece - kLongestItem;
    const size_t allowed = maxOutput_ - produced_;

    // The decoding state lives in locals while the piece is made, so the
    // stores into the output cannot force it back to memory.
    const uint8_t* ip = ip_;
    const uint8_t* iend = iend_;
    uint32_t flags = flags_;
    unsigned left = bitsLeft_;

    auto byte = [&](uint8_t& b) {
        if (ip == iend) {
            const ByteView piece = in_.TakeUpTo(SIZE_MAX);
            if (piece.empty()) {
                Fail(in_.Fault() != ImageFault::None ? in_.Fault() : ImageFault::Truncated);
                return false;
            }
            ip = piece.data;
            iend = piece.data + piece.size;
        }
        b = *ip++;
        return true;
    };
    auto word = [&](uint32_t& w) {
        uint8_t lo, hi;
        if (!byte(lo) || !byte(hi)) return false;
        w = lo | (static_cast<uint32_t>(hi) << 8);
        return true;
    };
    auto bit = [&](unsigned& b) {
        if (left == 0) {
            if (!word(flags)) return false;
            left = 16;
        }
        b = flags & 1;
        flags >>= 1;
        // The next flag word comes as soon as this one is used up, before
        // the bytes of the item that used its last bit. A missing word
        // shows at the next bit or byte the item needs.
        if (--left == 0 && word(flags)) left = 16;
        return true;
    };

    while (out <= limit) {
        // The common case first: a literal whose flag bit is not the last of its word.
        if (left > 1 && (flags & 1) != 0 && ip != iend) {
            if (static_cast<size_t>(out - start) >= allowed) {
                Fail(ImageFault::DecodedTooLarge);
                break;
            }
            flags >>= 1;
            --left;
            *out++ = *ip++;
            continue;
        }
        unsigned kind;
        if (!bit(kind)) break;
        if (kind) {
            uint8_t literal;
            if (!byte(literal)) break;
            if (static_cast<size_t>(out - start) >= allowed) {
                Fail(ImageFault::DecodedTooLarge);
                break;
            }
            *out++ = literal;
            continue;
        }
        unsigned form;
        if (!bit(form)) break;
        size_t length;
        size_t distance;
        if (form == 0) {
            unsigned b1, b2;
            uint8_t x;
            if (!bit(b1) || !bit(b2) || !byte(x)) break;
            length = 2 + 2 * b1 + b2;
            distance = 256 - x;
        } else {
            uint8_t lo, hi;
            if (!byte(lo) || !byte(hi)) break;
            distance = 8192 - (lo + 256u * (hi >> 3));
            length = hi & 7u;
            if (length != 0) {
                length += 2;
            } else {
                uint8_t t;
                if (!byte(t)) break;
                if (t == 0) {
                    sawEnd_ = true;
                    break;
                }
                if (t == 1) continue;  // no output, the stream goes on
                length = t + 1u;
            }
        }
        const size_t here = static_cast<size_t>(out - start);
        if (distance > produced_ + here) {
            Fail(ImageFault::CopyBeforeStart);
            break;
        }
        if (length > allowed - here) {
            Fail(ImageFault::DecodedTooLarge);
            break;
        }
        const uint8_t* from = out - distance;
        if (distance >= length) {
            std::memcpy(out, from, length);
            out += length;
        } else {
            for (size_t i = 0; i < length; ++i) *out++ = *from++;
        }
    }

    ip_ = ip;
    iend_ = iend;
    flags_ = flags;
    bitsLeft_ = left;
    lastPiece_ = static_cast<size_t>(out - start);
    produced_ += lastPiece_;
    return ByteView(start, lastPiece_);
}

ImageFault Lz77DecodeAll(ByteView input, Bytes& output, size_t maxOutput) {
    ViewSource source(input);
    Lz77Decoder decoder{StreamCursor(source), maxOutput};
    for (ByteView piece = decoder.NextPiece(); !piece.empty(); piece = decoder.NextPiece())
        output.insert(output.end(), piece.begin(), piece.end());
    if (decoder.SawEndMark()) return ImageFault::None;
    return decoder.Fault() != ImageFault::None ? decoder.Fault() : ImageFault::Truncated;
}

}  // namespace sgvr
