// TEST DOUBLE: stands in for the real signature check in test programs only.
#include "CheckFileSignatureDouble.h"

#include "signature/check/CheckFileSignature.h"
#include "signature/check/ZelExceptions.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace signature_double {
bool acceptAll = false;
bool cannotStart = false;
std::vector<std::pair<std::wstring, std::wstring>> calls;
std::vector<bool> heldCalls;
}  // namespace signature_double

namespace {

// Like the real check: through the held handle, from the file's start.
std::string ReadHeld(HANDLE file) {
    std::string content;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return content;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) content.append(chunk, read);
    return content;
}

}  // namespace

bool CheckFileSignature(const std::wstring& keyFolder, const std::wstring& filePath, void* heldFile) {
    signature_double::calls.emplace_back(keyFolder, filePath);
    signature_double::heldCalls.push_back(heldFile != nullptr);
    if (signature_double::cannotStart) throw zel::RuntimeError(".\\FileSignChecker", 18, std::wstring());
    if (signature_double::acceptAll) return true;
    std::string content;
    if (heldFile) {
        content = ReadHeld(static_cast<HANDLE>(heldFile));
    } else {
        std::ifstream in(filePath.c_str(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        content = bytes.str();
    }
    const size_t markerSize = std::strlen(signature_double::kTestSignedMarker);
    return content.size() >= markerSize &&
           content.compare(content.size() - markerSize, markerSize, signature_double::kTestSignedMarker) == 0;
}
