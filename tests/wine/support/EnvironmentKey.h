#pragma once
// Puts the product environment key into a given state for one test.
#include "util/ProductEnvironment.h"
#include "util/UniqueHandle.h"

#include <shlwapi.h>

#include <map>
#include <string>

using EnvironmentValues = std::map<std::wstring, std::wstring>;

// Replaces the key with one that holds exactly these string values.
inline void SetEnvironment(const EnvironmentValues& values) {
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey);
    UniqueHKey key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                    nullptr);
    for (const auto& value : values)
        RegSetValueExW(key.get(), value.first.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.second.c_str()),
                       static_cast<DWORD>((value.second.size() + 1) * sizeof(wchar_t)));
}

inline void RemoveEnvironment() { SHDeleteKeyW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey); }

// Writes a file (and its folders) on the C: drive.
inline void WriteTextFile(const std::wstring& path, const std::string& text) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
