#pragma once
// Where the running program lies.
#include <string>

// Full path of the program file; empty on failure.
std::wstring GetModuleFilePath();

// The program's file name with extension (after the last backslash); empty
// when the path has no backslash.
std::wstring GetModuleFileNameOnly();
