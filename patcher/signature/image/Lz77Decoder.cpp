#include "Lz77Decoder.h"

#include "DecodingPiece.h"

#include <cstring>

namespace sgvr {
namespace {

constexpr size_t kLongestItem = 256;  // a long copy with length byte 255

}  // namespace

Lz77Decoder::Lz77Decoder(StreamCursor input, size_t maxOutput) : in_(input), maxOutput_(maxOutput) {}

bool Lz77Decoder::InputByte(uint8_t& b) {
    if (in_.ReadU8(b)) return true;
    Fail(in_.Fault());
    return false;
}

bool Lz77Decoder::NextBit(unsigned& bit) {
    if (bitsLeft_ == 0) {
        uint16_t word;
        if (!in_.ReadU16(word)) {
            Fail(in_.Fault());
            return false;
        }
        flags_ = word;
        bitsLeft_ = 16;
    }
    bit = flags_ & 1;
    flags_ >>= 1;
    // The next flag word comes as soon as this one is used up, before the
    // bytes of the item that used its last bit. A missing word shows at the
    // next bit or byte the item needs.
    if (--bitsLeft_ == 0) {
        uint16_t word;
        if (in_.ReadU16(word)) {
            flags_ = word;
            bitsLeft_ = 16;
        }
    }
    return true;
}

ByteView Lz77Decoder::NextPiece() {
    if (sawEnd_ || fault_ != ImageFault::None) return ByteView();
    if (buffer_.empty()) buffer_.resize(kWindow + kDecodingPiece);

    // Keep the last kWindow bytes as history for the copies to come.
    size_t filled = history_ + lastPiece_;
    if (filled > kWindow) {
        std::memmove(buffer_.data(), buffer_.data() + filled - kWindow, kWindow);
        filled = kWindow;
    }
    history_ = filled;
    uint8_t* const start = buffer_.data() + history_;
    uint8_t* out = start;
    uint8_t* const limit = start + kDecodingPiece - kLongestItem;

    while (out <= limit) {
        unsigned bit;
        if (!NextBit(bit)) break;
        if (bit) {
            uint8_t literal;
            if (!InputByte(literal)) break;
            if (produced_ + static_cast<size_t>(out - start) >= maxOutput_) {
                Fail(ImageFault::DecodedTooLarge);
                break;
            }
            *out++ = literal;
            continue;
        }
        unsigned form;
        if (!NextBit(form)) break;
        size_t length;
        size_t distance;
        if (form == 0) {
            unsigned b1, b2;
            uint8_t x;
            if (!NextBit(b1) || !NextBit(b2) || !InputByte(x)) break;
            length = 2 + 2 * b1 + b2;
            distance = 256 - x;
        } else {
            uint8_t lo, hi;
            if (!InputByte(lo) || !InputByte(hi)) break;
            distance = 8192 - (lo + 256u * (hi >> 3));
            length = hi & 7u;
            if (length != 0) {
                length += 2;
            } else {
                uint8_t t;
                if (!InputByte(t)) break;
                if (t == 0) {
                    sawEnd_ = true;
                    break;
                }
                if (t == 1) continue;  // no output, the stream goes on
                length = t + 1u;
            }
        }
        const size_t written = produced_ + static_cast<size_t>(out - start);
        if (distance > written) {
            Fail(ImageFault::CopyBeforeStart);
            break;
        }
        if (length > maxOutput_ - written) {
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
