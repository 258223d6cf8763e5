#pragma once
// Where this program takes DLLs and programs from. An elevated installer is
// often started from a download folder, so nothing is ever looked up there or
// in the current folder: system files come from the system folder, product
// files by full path from the product folder.
#include <string>

// Full path of a file in the system folder ("<system>\name"); empty when the
// system folder cannot be read. For a 32-bit program on 64-bit Windows this is
// the WOW64 view of that folder.
std::wstring SystemFilePath(const wchar_t* fileName);

// Limits the DLL search to the system folder and the folders named with
// AllowDllFolder. Called first thing at start. Where SetDefaultDllDirectories
// is missing, at least the current folder leaves the search.
void RestrictDllSearch();

// Adds a folder the program trusts (the product folder) to the DLL search, so
// that modules the product's own libraries load by name are found there.
void AllowDllFolder(const std::wstring& folder);
