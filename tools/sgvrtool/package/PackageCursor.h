#pragma once
// Bounds-checked reader over the bytes of a package. Every read either
// succeeds in full or fails without moving, so a caller never sees a byte
// past the end.

#include "bytes/ByteView.h"

#include <cstring>

namespace msppkg {

using sgvr::ByteView;

class ByteCursor {
public:
    ByteCursor() = default;
    explicit ByteCursor(ByteView v) : pos_(v.data), end_(v.data + v.size) {}

    size_t Remaining() const { return static_cast<size_t>(end_ - pos_); }
    bool AtEnd() const { return pos_ == end_; }
    const uint8_t* Position() const { return pos_; }

    bool ReadU8(uint8_t& v) {
        if (pos_ == end_) return false;
        v = *pos_++;
        return true;
    }
    bool ReadU16(uint16_t& v) {
        if (Remaining() < 2) return false;
        v = static_cast<uint16_t>(pos_[0] | (pos_[1] << 8));
        pos_ += 2;
        return true;
    }
    bool ReadU32(uint32_t& v) {
        if (Remaining() < 4) return false;
        v = static_cast<uint32_t>(pos_[0]) | (static_cast<uint32_t>(pos_[1]) << 8) |
            (static_cast<uint32_t>(pos_[2]) << 16) | (static_cast<uint32_t>(pos_[3]) << 24);
        pos_ += 4;
        return true;
    }
    bool ReadBytes(void* dst, size_t n) {
        if (Remaining() < n) return false;
        if (n != 0) std::memcpy(dst, pos_, n);
        pos_ += n;
        return true;
    }
    // Hands out the next n bytes in place.
    bool Take(size_t n, ByteView& out) {
        if (Remaining() < n) return false;
        out = ByteView(pos_, n);
        pos_ += n;
        return true;
    }
    ByteView Rest() const { return ByteView(pos_, Remaining()); }

private:
    const uint8_t* pos_ = nullptr;
    const uint8_t* end_ = nullptr;
};

}  // namespace msppkg
