#include "ObjectName.h"

#include <cwctype>

namespace sgvrtool {

namespace {

bool DecodeUtf8(const std::string& s, std::vector<uint32_t>& out) {
    for (size_t i = 0; i < s.size();) {
        const uint8_t c = static_cast<uint8_t>(s[i]);
        uint32_t cp;
        int extra;
        if (c < 0x80) { cp = c; extra = 0; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
        else return false;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= s.size()) return false;
            const uint8_t cc = static_cast<uint8_t>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = cp << 6 | (cc & 0x3F);
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        out.push_back(cp);
        i += 1 + extra;
    }
    return true;
}

void PutUnit(std::vector<uint8_t>& out, uint32_t unit) {
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
}

}  // namespace

bool ObjectNameBytes(const std::string& utf8Name, std::vector<uint8_t>& out) {
    std::vector<uint32_t> cps;
    if (!DecodeUtf8(utf8Name, cps)) return false;
    size_t start = 0;
    for (size_t i = 0; i < cps.size(); ++i)
        if (cps[i] == '\\' || cps[i] == '/') start = i + 1;
    out.clear();
    for (size_t i = start; i < cps.size(); ++i) {
        uint32_t cp = cps[i];
        if (cp < 0x10000) {
            cp = static_cast<uint32_t>(std::towlower(static_cast<wint_t>(cp)));
            PutUnit(out, cp);
        } else {
            cp -= 0x10000;
            PutUnit(out, 0xD800 | (cp >> 10));
            PutUnit(out, 0xDC00 | (cp & 0x3FF));
        }
    }
    PutUnit(out, 0);
    return true;
}

}  // namespace sgvrtool
