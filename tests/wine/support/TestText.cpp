#include "TestText.h"

#include <cstdlib>
#include <stdexcept>

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (wchar_t c : text) narrow += static_cast<char>(c);
    return narrow;
}

std::wstring HostPath(const std::string& linuxPath) {
    std::wstring path = L"Z:";
    for (char c : linuxPath) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return path;
}

std::wstring HostFileFromEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    return value ? HostPath(value) : std::wstring();
}

size_t CountOf(const std::string& haystack, const std::string& needle) {
    size_t count = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
    return count;
}

std::string ThrownText(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::logic_error& failure) {
        return failure.what();
    }
    return "(nothing thrown)";
}
