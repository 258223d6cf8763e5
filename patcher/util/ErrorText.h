#pragma once
// Texts of Windows errors, and the one way this program turns a failing
// error code into an exception.
#include <string>

// "<operation>: <system message>", or "<operation>: Unknown error.".
std::wstring FormatErrorText(unsigned long error, const wchar_t* operation);
std::string FormatErrorTextA(unsigned long error, const char* operation);

// Throws std::logic_error with the text of FormatErrorTextA.
[[noreturn]] void ThrowWindowsError(unsigned long error, const char* operation);
