#include "HexNumbers.h"

#include <cstdint>
#include <sstream>

int HexToInt(const wchar_t* text) {
    if (!text) return 0;
    std::wistringstream in(text);
    long long value = 0;
    if (!(in >> std::hex >> value)) return 0;
    if (value < INT32_MIN || value > static_cast<long long>(UINT32_MAX)) return 0;
    return static_cast<int>(static_cast<uint32_t>(value));
}

std::wstring IntToHex(int value) {
    std::wostringstream out;
    out << std::hex << static_cast<uint32_t>(value);
    return out.str();
}
