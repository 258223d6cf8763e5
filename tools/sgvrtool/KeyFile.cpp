#include "KeyFile.h"

#include <cstring>
#include <vector>

#include "HexText.h"
#include "arith/SecureWipe.h"
#include "ToolFiles.h"

namespace sgvrtool {

namespace {
const char kPrefix[] = "gost2001-test-private ";
}

bool WriteKeyFile(const std::string& path, const uint8_t privateKey[32]) {
    std::string text = kPrefix + ToHex(privateKey, 32) + "\n";
    const bool ok = WriteNewFile(path, text, 0600);
    sgvr::SecureWipe(&text[0], text.size());
    return ok;
}

bool ReadKeyFile(const std::string& path, uint8_t privateKey[32]) {
    std::vector<uint8_t> raw;
    if (!ReadWholeFile(path, raw)) return false;
    std::string text(raw.begin(), raw.end());
    sgvr::SecureWipe(raw.data(), raw.size());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t prefix = sizeof kPrefix - 1;
    std::vector<uint8_t> key;
    const bool ok = text.compare(0, prefix, kPrefix) == 0 && ParseHex(text.substr(prefix), 32, key);
    if (ok) std::memcpy(privateKey, key.data(), 32);
    if (!key.empty()) sgvr::SecureWipe(key.data(), key.size());
    sgvr::SecureWipe(&text[0], text.size());
    return ok;
}

}  // namespace sgvrtool
