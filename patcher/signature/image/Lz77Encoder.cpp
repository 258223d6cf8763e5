#include "image/Lz77Encoder.h"

namespace sgvr {
namespace {

constexpr size_t kWindow = 8192;
constexpr size_t kShortReach = 256;
constexpr size_t kShortLongest = 5;
constexpr size_t kLongest = 256;
constexpr unsigned kMaxHashBits = 15;
constexpr int kChainDepth = 48;

// Flag bits go least significant first into 16-bit words; the next word's
// place is taken as soon as a word is full, before the bytes of the item
// that used its last bit, which is where the decoder looks for it.
class ItemWriter {
public:
    explicit ItemWriter(std::vector<uint8_t>& out) : out_(out) { StartWord(); }

    void Bit(unsigned b) {
        const size_t at = flagPos_ + bitsUsed_ / 8;
        out_[at] = static_cast<uint8_t>(out_[at] | ((b & 1u) << (bitsUsed_ % 8)));
        if (++bitsUsed_ == 16) StartWord();
    }
    void Byte(uint8_t b) { out_.push_back(b); }

    void Literal(uint8_t b) {
        Bit(1);
        Byte(b);
    }
    void ShortCopy(size_t length, size_t distance) {
        Bit(0);
        Bit(0);
        Bit(static_cast<unsigned>((length - 2) >> 1));
        Bit(static_cast<unsigned>((length - 2) & 1));
        Byte(static_cast<uint8_t>(256 - distance));
    }
    void LongCopy(size_t length, size_t distance) {
        const size_t v = kWindow - distance;
        const uint8_t lo = static_cast<uint8_t>(v & 0xFF);
        const uint8_t hiBase = static_cast<uint8_t>((v >> 8) << 3);
        Bit(0);
        Bit(1);
        Byte(lo);
        if (length <= 9) {
            Byte(static_cast<uint8_t>(hiBase | (length - 2)));
        } else {
            Byte(hiBase);
            Byte(static_cast<uint8_t>(length - 1));
        }
    }
    void EndMark() {
        Bit(0);
        Bit(1);
        Byte(0);
        Byte(0);
        Byte(0);
    }

private:
    void StartWord() {
        flagPos_ = out_.size();
        out_.push_back(0);
        out_.push_back(0);
        bitsUsed_ = 0;
    }

    std::vector<uint8_t>& out_;
    size_t flagPos_ = 0;
    unsigned bitsUsed_ = 0;
};

uint32_t Hash3(const uint8_t* p, unsigned bits) {
    const uint32_t v = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    return (v * 2654435761u) >> (32 - bits);
}

uint32_t Hash2(const uint8_t* p, unsigned bits) {
    const uint32_t v = p[0] | (p[1] << 8);
    return (v * 2246822519u) >> (32 - bits);
}

}  // namespace

std::vector<uint8_t> Lz77Compress(ByteView input) {
    std::vector<uint8_t> out;
    out.reserve(input.size + input.size / 8 + 16);
    ItemWriter writer(out);

    const uint8_t* const data = input.data;
    const size_t n = input.size;
    // Tables sized to the input, so that small inputs stay cheap.
    unsigned bits = 8;
    while (bits < kMaxHashBits && (size_t(1) << bits) < n) ++bits;
    const int32_t kNone = -1;
    std::vector<int32_t> head(size_t(1) << bits, kNone);
    std::vector<int32_t> prev(n < kWindow ? n + 1 : kWindow, kNone);
    std::vector<int32_t> lastPair(size_t(1) << bits, kNone);  // latest position of a two-byte pair's hash

    auto insert = [&](size_t pos) {
        if (pos + 2 < n) {
            const uint32_t h = Hash3(data + pos, bits);
            prev[pos % prev.size()] = head[h];
            head[h] = static_cast<int32_t>(pos);
        }
        if (pos + 1 < n) lastPair[Hash2(data + pos, bits)] = static_cast<int32_t>(pos);
    };

    size_t pos = 0;
    while (pos < n) {
        size_t bestLength = 0;
        size_t bestDistance = 0;
        const size_t maxLength = n - pos < kLongest ? n - pos : kLongest;
        if (maxLength >= 3) {
            int32_t cand = head[Hash3(data + pos, bits)];
            for (int depth = 0; cand != kNone && depth < kChainDepth; ++depth) {
                const size_t c = static_cast<size_t>(cand);
                const size_t distance = pos - c;
                if (distance > kWindow) break;
                size_t length = 0;
                while (length < maxLength && data[c + length] == data[pos + length]) ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = distance;
                    if (length == maxLength) break;
                }
                const int32_t next = prev[c % prev.size()];
                if (next == kNone || static_cast<size_t>(next) >= c) break;
                cand = next;
            }
        }
        if (bestLength < 2 && maxLength >= 2) {
            const int32_t cand = lastPair[Hash2(data + pos, bits)];
            if (cand != kNone && pos - static_cast<size_t>(cand) <= kShortReach && data[cand] == data[pos] &&
                data[cand + 1] == data[pos + 1]) {
                bestLength = 2;
                bestDistance = pos - static_cast<size_t>(cand);
            }
        }

        if (bestLength >= 2 && bestDistance <= kShortReach && bestLength <= kShortLongest) {
            writer.ShortCopy(bestLength, bestDistance);
        } else if (bestLength >= 3) {
            writer.LongCopy(bestLength, bestDistance);
        } else {
            writer.Literal(data[pos]);
            bestLength = 1;
        }
        for (size_t i = 0; i < bestLength; ++i) insert(pos + i);
        pos += bestLength;
    }
    writer.EndMark();
    return out;
}

}  // namespace sgvr
