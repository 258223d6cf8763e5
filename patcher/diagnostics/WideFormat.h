#pragma once
// printf-style formatting with the Windows conventions of this program:
// "%s" is a wide string, "%S" a narrow one, in wide formats.
#include <cstdarg>
#include <string>

std::wstring FormatWideV(const wchar_t* format, va_list args);
std::wstring FormatWide(const wchar_t* format, ...);
