#pragma once
// The machine's Group Policy shutdown-script keys and a private Windows
// folder for scripts.ini, reset before and after each test.
#include "ScratchFolder.h"
#include "TestText.h"
#include "util/ErrorText.h"
#include "util/UniqueHandle.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

inline const wchar_t kStateShutdown[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State\\Machine\\Scripts\\Shutdown";
inline const wchar_t kScriptList[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State\\Machine\\Scripts\\Shutdown\\0";
inline const wchar_t kNewerPolicy[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts\\Shutdown";
inline const wchar_t kOlderPolicy[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\System\\Scripts\\Shutdown";

// Everything under a key, one entry per value: "sub\path|name" -> "type:data".
// Key paths and value names in lower case, as the registry compares them.
using RegistryTree = std::map<std::wstring, std::wstring>;

inline void DumpKey(HKEY key, const std::wstring& prefix, RegistryTree& out) {
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        BYTE data[4096];
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        std::wstring text = std::to_wstring(type) + L":";
        if (type == REG_SZ) text += reinterpret_cast<const wchar_t*>(data);
        else if (type == REG_DWORD && size == 4) text += std::to_wstring(*reinterpret_cast<const DWORD*>(data));
        else text += L"#" + std::to_wstring(size);
        std::wstring lowered = name;
        CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
        out[prefix + L"|" + lowered] = text;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        UniqueHKey sub;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, sub.put()) != ERROR_SUCCESS) continue;
        std::wstring lowered = name;
        CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
        out[prefix + L"\\" + lowered] = L"(key)";
        DumpKey(sub.get(), prefix + L"\\" + lowered, out);
    }
}

inline bool KeyExists(const wchar_t* path) {
    UniqueHKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

inline RegistryTree Tree(const wchar_t* path) {
    RegistryTree tree;
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS) DumpKey(key.get(), L"", tree);
    return tree;
}

// Subkey names in the order the registry enumerates them.
inline std::vector<std::wstring> SubkeyNames(const wchar_t* path) {
    std::vector<std::wstring> names;
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key.get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    return names;
}

inline std::wstring ReadString(const std::wstring& path, const wchar_t* name) {
    wchar_t data[4096] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return L"(absent)";
    return data;
}

inline void SetString(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    UniqueHKey key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// A key made volatile: the registry refuses to create persistent keys below it.
inline void CreateVolatileKey(const wchar_t* path) {
    UniqueHKey key;
    const LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                        nullptr, key.put(), nullptr);
    if (result != ERROR_SUCCESS) throw std::runtime_error("cannot create a volatile key");
}

inline void ResetPolicyKeys() {
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State\\Machine\\Scripts");
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts");
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\Microsoft\\Windows\\System\\Scripts");
}

inline void SetWindir(const wchar_t* value) {
    // Both the runtime's copy of the environment and the process's.
    _wputenv_s(L"windir", value ? value : L"");
    SetEnvironmentVariableW(L"windir", value);
}

inline std::wstring Windir() {
    wchar_t value[MAX_PATH] = {};
    GetEnvironmentVariableW(L"windir", value, MAX_PATH);
    return value;
}

// Clean policy keys and a scratch folder standing in for %windir%.
class PolicySandbox {
public:
    PolicySandbox() : savedWindir_(Windir()) {
        ResetPolicyKeys();
        SetWindir(windows_.path().c_str());
    }
    ~PolicySandbox() {
        ResetPolicyKeys();
        SetWindir(savedWindir_.c_str());
    }
    PolicySandbox(const PolicySandbox&) = delete;
    PolicySandbox& operator=(const PolicySandbox&) = delete;

    const std::wstring& windows() const { return windows_.path(); }
    std::wstring policyFolder() const { return windows_.path() + L"\\system32\\GroupPolicy\\Machine"; }
    std::wstring scriptsIni() const { return policyFolder() + L"\\Scripts\\scripts.ini"; }

private:
    std::wstring savedWindir_;
    ScratchFolder windows_{L"zep-windir"};
};

// The name of the script subkey with the given hexadecimal name.
inline std::wstring Entry(const std::wstring& name) { return std::wstring(kScriptList) + L"\\" + name; }

inline std::string ErrorText(unsigned long code, const char* operation) { return FormatErrorTextA(code, operation); }

inline bool RunsUnderWow64() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 != FALSE;
}

// What the file-system redirection guard traces around the scripts.ini write:
// only a 32-bit program on 64-bit Windows gets redirection turned off and
// back on; elsewhere (this 64-bit test build, 32-bit Windows) the call fails.
inline std::vector<std::string> GuardOpens() {
    const std::string name = "NTF CWow64FsRedirectionDisabler::CWow64FsRedirectionDisabler: ";
    return {name + "Start", name + "FS WOW64 redirection disabled " + (RunsUnderWow64() ? "TRUE" : "FALSE"),
            name + "Finish"};
}

inline std::vector<std::string> GuardCloses() {
    const std::string name = "NTF CWow64FsRedirectionDisabler::~CWow64FsRedirectionDisabler: ";
    if (RunsUnderWow64()) return {name + "Start", name + "FS WOW64 redirection enabled TRUE", name + "Finish"};
    return {name + "Start", name + "Finish"};
}
