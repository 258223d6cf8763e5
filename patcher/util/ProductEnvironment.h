#pragma once
// Where the installed product keeps its environment values, and the one place
// that reads them.
#include <vector>

// Under HKEY_LOCAL_MACHINE, read in the default view of a 32-bit program.
inline constexpr wchar_t kProductEnvironmentKey[] = L"Software\\TorvellanLab\\protected\\ZEP8\\environment";
inline constexpr wchar_t kProductRootValue[] = L"ProductRoot";
inline constexpr wchar_t kTraceRootValue[] = L"TraceRoot";
inline constexpr wchar_t kSkinValue[] = L"Skin";
inline constexpr wchar_t kLocalizationValue[] = L"Localization";

// Reads a string value of the environment key (HKEY_LOCAL_MACHINE, query
// access) into a NUL-ended buffer. A Windows error code, 0 on success.
unsigned long ReadProductEnvironmentValue(const wchar_t* valueName, std::vector<wchar_t>& value);
