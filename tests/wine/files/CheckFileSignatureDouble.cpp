// TEST DOUBLE: stands in for the real signature check in test programs only.
#include "CheckFileSignatureDouble.h"

#include "signature/check/CheckFileSignature.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace signature_double {
bool acceptAll = false;
std::vector<std::pair<std::wstring, std::wstring>> calls;
}  // namespace signature_double

bool CheckFileSignature(const std::wstring& keyFolder, const std::wstring& filePath) {
    signature_double::calls.emplace_back(keyFolder, filePath);
    if (signature_double::acceptAll) return true;
    std::ifstream in(filePath.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string content = bytes.str();
    const size_t markerSize = std::strlen(signature_double::kTestSignedMarker);
    return content.size() >= markerSize &&
           content.compare(content.size() - markerSize, markerSize, signature_double::kTestSignedMarker) == 0;
}
