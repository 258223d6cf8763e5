#include "HexText.h"

namespace sgvrtool {

std::string ToHex(const uint8_t* data, size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(2 * length);
    for (size_t i = 0; i < length; ++i) {
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}

bool ParseHex(const std::string& text, size_t expectedBytes, std::vector<uint8_t>& out) {
    if (text.size() != 2 * expectedBytes) return false;
    auto nib = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    out.assign(expectedBytes, 0);
    for (size_t i = 0; i < expectedBytes; ++i) {
        const int hi = nib(text[2 * i]), lo = nib(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

}  // namespace sgvrtool
