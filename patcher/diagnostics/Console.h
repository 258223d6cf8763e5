#pragma once
// Console lines of the program: the runtime's wide formatted output to
// standard output, with the Windows conventions of WideFormat.h.
void ConsolePrint(const wchar_t* format, ...);
