#pragma once
// Where the installed product keeps its environment values.

// Under HKEY_LOCAL_MACHINE, read in the default view of a 32-bit program.
inline constexpr wchar_t kProductEnvironmentKey[] = L"Software\\TorvellanLab\\protected\\ZEP8\\environment";
inline constexpr wchar_t kProductRootValue[] = L"ProductRoot";
inline constexpr wchar_t kTraceRootValue[] = L"TraceRoot";
inline constexpr wchar_t kSkinValue[] = L"Skin";
inline constexpr wchar_t kLocalizationValue[] = L"Localization";
