#include "SectionBlock.h"

namespace {

// A read position inside a block that can never pass its end.
class BlockCursor {
public:
    BlockCursor(const wchar_t* data, size_t length) : data_(data), length_(data ? length : 0) {}

    bool AtEnd() const { return pos_ >= length_; }

    // The text up to the next NUL (or the end of the block), consuming the NUL.
    std::wstring NextEntry() {
        const size_t start = pos_;
        while (pos_ < length_ && data_[pos_] != L'\0') ++pos_;
        std::wstring entry(data_ + start, pos_ - start);
        if (pos_ < length_) ++pos_;
        return entry;
    }

private:
    const wchar_t* data_;
    size_t length_;
    size_t pos_ = 0;
};

}  // namespace

void ParseSectionBlock(const wchar_t* block, size_t length, SectionMap& out) {
    BlockCursor cursor(block, length);
    while (!cursor.AtEnd()) {
        const std::wstring entry = cursor.NextEntry();
        if (entry.empty()) break;
        const size_t equals = entry.find(L'=');
        if (equals == std::wstring::npos) continue;
        out[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
}

std::wstring BuildSectionBlock(const SectionMap& in) {
    std::wstring block;
    for (const auto& [key, value] : in) {
        block += key;
        block += L'=';
        block += value;
        block += L'\0';
    }
    block += L'\0';
    // The system reads a lone NUL as no block at all; an empty section is two.
    if (block.size() == 1) block += L'\0';
    return block;
}
