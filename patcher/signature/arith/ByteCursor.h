#pragma once
// Bounds-checked reader over untrusted bytes. Every read either succeeds in full
// or fails without moving the cursor, so a truncated input can never be read past
// its end and a caller never sees half a value.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sgvr {

class CByteCursor {
public:
    CByteCursor() = default;
    CByteCursor(const void* data, size_t size)
        : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

    size_t Position() const { return pos_; }
    size_t Size() const { return size_; }
    size_t Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ == size_; }
    // Pointer to the unread bytes; valid for Remaining() bytes.
    const uint8_t* Current() const { return data_ + pos_; }

    bool ReadU8(uint8_t& out) {
        if (Remaining() < 1) return false;
        out = data_[pos_++];
        return true;
    }
    bool ReadU16LE(uint16_t& out) {
        if (Remaining() < 2) return false;
        out = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool ReadU32LE(uint32_t& out) {
        if (Remaining() < 4) return false;
        out = static_cast<uint32_t>(data_[pos_]) | static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
              static_cast<uint32_t>(data_[pos_ + 2]) << 16 | static_cast<uint32_t>(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return true;
    }
    bool ReadU32BE(uint32_t& out) {
        if (Remaining() < 4) return false;
        out = static_cast<uint32_t>(data_[pos_]) << 24 | static_cast<uint32_t>(data_[pos_ + 1]) << 16 |
              static_cast<uint32_t>(data_[pos_ + 2]) << 8 | static_cast<uint32_t>(data_[pos_ + 3]);
        pos_ += 4;
        return true;
    }
    // Copies n bytes out.
    bool ReadBytes(void* out, size_t n) {
        if (Remaining() < n) return false;
        if (n) std::memcpy(out, data_ + pos_, n);
        pos_ += n;
        return true;
    }
    // Hands out a view of the next n bytes without copying.
    bool ReadView(const uint8_t*& out, size_t n) {
        if (Remaining() < n) return false;
        out = data_ + pos_;
        pos_ += n;
        return true;
    }
    bool Skip(size_t n) {
        if (Remaining() < n) return false;
        pos_ += n;
        return true;
    }
    bool Seek(size_t pos) {
        if (pos > size_) return false;
        pos_ = pos;
        return true;
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
};

}  // namespace sgvr
