#pragma once
// Texts of Windows errors, and the one way this program turns a failing
// error code, or a failure of its own, into an exception. Operation names are
// wide constants (ASCII); the thrown texts are their narrow form.
#include <string>

// "<operation>: <system message>", or "<operation>: Unknown error.".
std::wstring FormatErrorText(unsigned long error, const wchar_t* operation);
std::string FormatErrorTextA(unsigned long error, const char* operation);

// Throws std::logic_error with the text of FormatErrorTextA for the operation.
[[noreturn]] void ThrowWindowsError(unsigned long error, const wchar_t* operation);

// Check and throw in one: nothing happens for 0 (ERROR_SUCCESS).
inline void ThrowIfFailed(unsigned long error, const wchar_t* operation) {
    if (error != 0) ThrowWindowsError(error, operation);
}

// Traces FormatErrorText at the level, without throwing.
void TraceWindowsError(int level, unsigned long error, const wchar_t* operation);

// Throws std::logic_error "<operation><text>": the fixed failure texts of
// this program, whose words are kept exactly ("...: LoadProxyStub error.",
// "... invalid MSP signature.").
[[noreturn]] void ThrowFixedText(const wchar_t* operation, const char* text);

// The narrow form of an ASCII operation name.
std::string NarrowName(const wchar_t* operation);
