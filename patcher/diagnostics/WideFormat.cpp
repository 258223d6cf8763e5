#include "WideFormat.h"

#include <stdio.h>

#include <vector>

// The underscored functions are the Windows runtime's own; the standard names
// would be redirected to the C99 formatter, where "%s" means narrow.
std::wstring FormatWideV(const wchar_t* format, va_list args) {
    va_list sizing;
    va_copy(sizing, args);
    const int length = _vscwprintf(format, sizing);
    va_end(sizing);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    _vsnwprintf(buffer.data(), buffer.size(), format, args);
    return std::wstring(buffer.data(), static_cast<size_t>(length));
}

std::wstring FormatWide(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatWideV(format, args);
    va_end(args);
    return text;
}
