#pragma once
// A deliberately naive codec-1 stream for tests: every byte a literal, with
// extra items (no-op copies) where asked, optional runs of 256 copied
// bytes at the end, and the end mark. Written
// independently of the compressor so the two check each other.

#include <cstdint>
#include <set>
#include <vector>

namespace sgvr_test {

inline std::vector<uint8_t> HandLz77(const std::vector<uint8_t>& data, const std::set<size_t>& noOpsBefore = {},
                                     bool endMark = true, size_t runCopies = 0) {
    std::vector<uint8_t> out;
    size_t word = 0;
    unsigned used = 0;
    auto newWord = [&] {
        word = out.size();
        out.push_back(0);
        out.push_back(0);
        used = 0;
    };
    auto bit = [&](unsigned b) {
        if (b) out[word + used / 8] = static_cast<uint8_t>(out[word + used / 8] | (1u << (used % 8)));
        if (++used == 16) newWord();  // before the item's bytes
    };
    newWord();
    for (size_t i = 0; i <= data.size(); ++i) {
        if (noOpsBefore.count(i)) {
            bit(0);
            bit(1);
            out.push_back(0x00);
            out.push_back(0xF8);
            out.push_back(1);  // length byte 1: no output
        }
        if (i == data.size()) break;
        bit(1);
        out.push_back(data[i]);
    }
    for (size_t i = 0; i < runCopies; ++i) {  // 256 bytes each, at distance 1
        bit(0);
        bit(1);
        out.push_back(0xFF);
        out.push_back(0xF8);
        out.push_back(255);
    }
    if (endMark) {
        bit(0);
        bit(1);
        out.push_back(0);
        out.push_back(0);
        out.push_back(0);
    }
    return out;
}

}  // namespace sgvr_test
