#include "Console.h"

#include "WideFormat.h"

#include <cstdarg>
#include <cstdio>

void ConsolePrint(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const std::wstring text = FormatWideV(format, args);
    va_end(args);
    fputws(text.c_str(), stdout);
    fflush(stdout);
}
