#include "ErrorText.h"

#include "diagnostics/TraceLog.h"

#include <windows.h>

#include <stdexcept>

namespace {

const DWORD kMessageFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                            FORMAT_MESSAGE_ALLOCATE_BUFFER | (FORMAT_MESSAGE_MAX_WIDTH_MASK & 255);
const DWORD kLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

// The system's message for a code, in the character type of the caller.
template <typename Char, typename FormatMessageFn>
std::basic_string<Char> SystemMessage(DWORD error, FormatMessageFn formatMessage, const Char* unknown) {
    Char* buffer = nullptr;
    const DWORD length =
        formatMessage(kMessageFlags, nullptr, error, kLanguage, reinterpret_cast<Char*>(&buffer), 0, nullptr);
    std::basic_string<Char> text = (length && buffer) ? std::basic_string<Char>(buffer, length) : unknown;
    if (buffer) LocalFree(buffer);
    return text;
}

}  // namespace

std::string NarrowName(const wchar_t* operation) {
    std::string name;
    for (const wchar_t* c = operation; c && *c; ++c) name.push_back(static_cast<char>(*c));
    return name;
}

std::wstring FormatErrorText(unsigned long error, const wchar_t* operation) {
    return std::wstring(operation) + L": " + SystemMessage<wchar_t>(error, FormatMessageW, L"Unknown error.");
}

std::string FormatErrorTextA(unsigned long error, const char* operation) {
    return std::string(operation) + ": " + SystemMessage<char>(error, FormatMessageA, "Unknown error.");
}

void ThrowWindowsError(unsigned long error, const wchar_t* operation) {
    throw std::logic_error(FormatErrorTextA(error, NarrowName(operation).c_str()));
}

void TraceWindowsError(int level, unsigned long error, const wchar_t* operation) {
    Trace(level, L"%s", FormatErrorText(error, operation).c_str());
}

void ThrowFixedText(const wchar_t* operation, const char* text) {
    throw std::logic_error(NarrowName(operation) + text);
}
