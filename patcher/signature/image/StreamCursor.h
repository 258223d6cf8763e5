#pragma once
// Bounds-checked reader over the pieces of a PieceSource. A read either
// delivers all the bytes asked for or fails; it never reads past a piece.

#include "image/PieceSource.h"
#include "bytes/LittleEndian.h"

#include <cstring>

namespace sgvr {

class StreamCursor {
public:
    explicit StreamCursor(PieceSource& source) : source_(&source) {}

    // True when at least one more byte is there. When false, Fault() is
    // None at a clean end of the data, or the source's failure.
    bool More() { return pos_ != end_ || Refill(); }

    bool ReadU8(uint8_t& v) {
        if (pos_ == end_ && !Refill()) return Short();
        v = *pos_++;
        return true;
    }
    bool ReadU16(uint16_t& v) {
        uint8_t b[2];
        if (!Read(b, 2)) return false;
        v = LoadLE16(b);
        return true;
    }
    bool ReadU32(uint32_t& v) {
        uint8_t b[4];
        if (!Read(b, 4)) return false;
        v = LoadLE32(b);
        return true;
    }
    bool Read(uint8_t* dst, size_t n) {
        if (static_cast<size_t>(end_ - pos_) >= n) {
            if (n != 0) std::memcpy(dst, pos_, n);
            pos_ += n;
            return true;
        }
        return ReadSlow(dst, n);
    }
    // Up to max bytes of the current piece, in place; empty when the data
    // has ended (see More()).
    ByteView TakeUpTo(size_t max) {
        if (pos_ == end_ && !Refill()) return ByteView();
        size_t n = static_cast<size_t>(end_ - pos_);
        if (n > max) n = max;
        ByteView v(pos_, n);
        pos_ += n;
        return v;
    }

    ImageFault Fault() const { return fault_; }

private:
    bool Refill();
    bool ReadSlow(uint8_t* dst, size_t n);
    bool Short() {
        if (fault_ == ImageFault::None) fault_ = ImageFault::Truncated;
        return false;
    }

    PieceSource* source_;
    const uint8_t* pos_ = nullptr;
    const uint8_t* end_ = nullptr;
    ImageFault fault_ = ImageFault::None;
};

}  // namespace sgvr
