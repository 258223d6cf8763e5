#pragma once
// Hand-laid byte sequences for reader tests.

#include "bytes/ByteView.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace sgvr_test {

class TestBytes {
public:
    TestBytes& U8(uint8_t v) {
        b_.push_back(v);
        return *this;
    }
    TestBytes& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }
    TestBytes& U32(uint32_t v) { return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16)); }
    TestBytes& Text(const std::string& s) {
        b_.insert(b_.end(), s.begin(), s.end());
        return *this;
    }
    TestBytes& Raw(std::initializer_list<uint8_t> bytes) {
        b_.insert(b_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    TestBytes& Raw(const std::vector<uint8_t>& bytes) {
        b_.insert(b_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    TestBytes& Fill(size_t n, uint8_t v) {
        b_.insert(b_.end(), n, v);
        return *this;
    }
    // "TLrg" header word: version, 23-bit id, flag.
    TestBytes& Header(uint32_t id, bool flag = false, uint8_t version = 1) {
        return Text("TLrg").U32(version | (id << 8) | (flag ? 0x80000000u : 0u));
    }
    TestBytes& Block(uint16_t codec) { return Text("TLsw").U16(codec); }
    TestBytes& StreamHeader(uint32_t blockSize) { return U16(0xADAD).U32(1).U32(blockSize); }

    size_t size() const { return b_.size(); }
    std::vector<uint8_t>& bytes() { return b_; }
    const std::vector<uint8_t>& bytes() const { return b_; }
    sgvr::ByteView view() const { return sgvr::ByteView(b_.data(), b_.size()); }

private:
    std::vector<uint8_t> b_;
};

}  // namespace sgvr_test
