#pragma once
// A scratch key under HKEY_CURRENT_USER, removed with everything in it.
#include "util/UniqueHandle.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>

class TestRegistryKey {
public:
    explicit TestRegistryKey(std::wstring path) : path_(std::move(path)) {
        SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
        RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
    }
    ~TestRegistryKey() {
        key_.reset();
        SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
    }
    HKEY get() const { return key_.get(); }
    const std::wstring& path() const { return path_; }

    void SetString(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) const {
        RegSetValueExW(key_.get(), name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

private:
    std::wstring path_;
    UniqueHKey key_;
};
