#include "EnvironmentKey.h"

#include "util/ProductEnvironment.h"
#include "util/UniqueHandle.h"

#include <shlwapi.h>

void SetEnvironment(const EnvironmentValues& values) {
    RemoveEnvironment();
    UniqueHKey key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                    nullptr);
    for (const auto& value : values) SetEnvironmentValue(value.first.c_str(), value.second);
}

void SetEnvironmentValue(const wchar_t* name, const std::wstring& value) {
    UniqueHKey key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                    nullptr);
    RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void RemoveEnvironment() { SHDeleteKeyW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey); }
