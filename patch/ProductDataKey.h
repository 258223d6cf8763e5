#pragma once
// Where the product reads which fixes it carries (HKEY_LOCAL_MACHINE, root 2
// in the installer's tables). A 64-bit component writes into the 64-bit view,
// so it names the 32-bit view's key, which is where the 32-bit product looks.
inline constexpr int kProductDataRoot = 2;
inline constexpr wchar_t kProductDataKey[] = L"SOFTWARE\\TorvellanLab\\protected\\ZEP8\\Data";
inline constexpr wchar_t kProductDataKeyWow64[] = L"SOFTWARE\\Wow6432Node\\TorvellanLab\\protected\\ZEP8\\Data";
inline constexpr wchar_t kProductHotfixValue[] = L"ProductHotfix";
