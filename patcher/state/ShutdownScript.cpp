#include "ShutdownScript.h"

#include "ScriptsIniSection.h"
#include "diagnostics/TraceLog.h"
#include "util/ErrorText.h"
#include "util/Folders.h"
#include "util/HexNumbers.h"
#include "util/Registry.h"
#include "util/UniqueHandle.h"
#include "util/Wow64FsRedirectionDisabler.h"

#include <shlwapi.h>

#include <set>
#include <stdexcept>
#include <vector>

namespace {

// The script list of the local policy (GPO number 0) and its parent, which is
// mirrored as a whole into the policy key.
const wchar_t kStateShutdownKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State\\Machine\\Scripts\\Shutdown";
const wchar_t kScriptListKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State\\Machine\\Scripts\\Shutdown\\0";
// Where Windows reads the machine's shutdown scripts: since Vista, and before.
const wchar_t kNewerPolicyKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts\\Shutdown";
const wchar_t kOlderPolicyKey[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\System\\Scripts\\Shutdown";

const wchar_t kFileSysPathValue[] = L"FileSysPath";
const wchar_t kParametersValue[] = L"Parameters";
const wchar_t kScriptValue[] = L"Script";
const wchar_t kIsPowershellValue[] = L"IsPowershell";

const wchar_t kCreateName[] = L"CShutdownScript::Create";
const wchar_t kDeleteName[] = L"CShutdownScript::Delete";
const wchar_t kFindName[] = L"CShutdownScript::FindFreeKeyNumber";
const wchar_t kIniName[] = L"CShutdownScript::UpdateScriptIni";
const wchar_t kSyncName[] = L"CShutdownScript::SynchronizePoliciesKeys";
const wchar_t kIniPathName[] = L"CShutdownScript::GetScriptsIniPath";

bool IsNewerPolicyLayout() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version)) return false;
    return version.dwMajorVersion >= 6;
}

// A subkey that cannot be opened for another reason than its absence (for
// example, refused access) still occupies its number.
bool SubkeyExists(HKEY parent, const std::wstring& name, UniqueHKey& opened) {
    return OpenRegKey(parent, name.c_str(), KEY_QUERY_VALUE, opened) != ERROR_FILE_NOT_FOUND;
}

bool ReadString(HKEY key, const wchar_t* name, std::wstring& out) {
    std::vector<wchar_t> buffer;
    if (ReadRegStringValue(key, name, buffer) != ERROR_SUCCESS) return false;
    out = buffer.data();
    return true;
}

}  // namespace

CShutdownScript::CShutdownScript(const wchar_t* scriptPath)
    : CShutdownScript(scriptPath, IsNewerPolicyLayout()) {}

CShutdownScript::CShutdownScript(const wchar_t* scriptPath, bool newerPolicyLayout)
    : scriptPath_(scriptPath ? scriptPath : L""), newerPolicyLayout_(newerPolicyLayout) {}

void CShutdownScript::Create(const wchar_t* parameters) {
    // One registration per program: an older one goes first. Failing to remove
    // it must not keep the new one from being made.
    try {
        Delete();
    } catch (const std::exception& failure) {
        Trace(TL_WARNING, L"%S", failure.what());
    }

    UniqueHKey scriptList;
    DWORD result = CreateRegKey(HKEY_LOCAL_MACHINE, kScriptListKey, KEY_READ | KEY_WRITE, scriptList);
    ThrowIfFailed(result, kCreateName);

    // The policy folder of an existing list is someone else's choice: keep it.
    DWORD size = 0;
    if (RegQueryValueExW(scriptList.get(), kFileSysPathValue, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
        result = SetRegString(scriptList.get(), kFileSysPathValue, GetScriptsIniPath());
        ThrowIfFailed(result, kCreateName);
    }

    Trace(TL_NOTIFY, L"%s: Find first free key number", kCreateName);
    const int number = FindFreeKeyNumber(scriptList.get());
    Trace(TL_NOTIFY, L"%s: Create shutdown script key", kCreateName);
    CreateShutdownScript(parameters, scriptList.get(), number);
    Trace(TL_NOTIFY, L"%s: Synchronize policies keys", kCreateName);
    SynchronizePoliciesKeys();
    UpdateScriptIni(scriptList.get());
}

int CShutdownScript::FindFreeKeyNumber(HKEY scriptList) const {
    // Counting up rather than enumerating: the registry lists "10" before "2".
    for (int number = 0;; ++number) {
        const std::wstring name = IntToHex(number);
        UniqueHKey subkey;
        if (!SubkeyExists(scriptList, name, subkey)) return number;
        Trace(TL_NOTIFY, L"%s: current subkey = %s", kFindName, name.c_str());
    }
}

void CShutdownScript::CreateShutdownScript(const wchar_t* parameters, HKEY scriptList, int number) const {
    UniqueHKey subkey;
    DWORD result = CreateRegKey(scriptList, IntToHex(number).c_str(), KEY_READ | KEY_WRITE, subkey);
    if (result == ERROR_SUCCESS) result = SetRegString(subkey.get(), kParametersValue, parameters ? parameters : L"");
    if (result == ERROR_SUCCESS) result = SetRegString(subkey.get(), kScriptValue, scriptPath_);
    if (result == ERROR_SUCCESS) result = SetRegDword(subkey.get(), kIsPowershellValue, 0);
    ThrowIfFailed(result, L"CShutdownScript::CreateShutdownScript");
}

void CShutdownScript::SynchronizePoliciesKeys() const {
    const wchar_t* policyKey = newerPolicyLayout_ ? kNewerPolicyKey : kOlderPolicyKey;
    // The policy key is a mirror of the state: rebuilt from scratch each time.
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, policyKey);
    UniqueHKey mirror;
    ThrowIfFailed(CreateRegKey(HKEY_LOCAL_MACHINE, policyKey, KEY_ALL_ACCESS, mirror), kSyncName);
    const DWORD copied = RegCopyKeyW(HKEY_LOCAL_MACHINE, kStateShutdownKey, mirror.get());
    ThrowIfFailed(copied, kSyncName);
}

void CShutdownScript::UpdateScriptIni(HKEY scriptList) const {
    // A 32-bit program on 64-bit Windows must reach the real system folder.
    CWow64FsRedirectionDisabler redirectionOff;

    std::vector<ScriptsIniEntry> entries;
    for (int number = 0;; ++number) {
        const std::wstring name = IntToHex(number);
        UniqueHKey subkey;
        if (!SubkeyExists(scriptList, name, subkey)) break;
        Trace(TL_NOTIFY, L"%s: current subkey = %s", kIniName, name.c_str());
        ScriptsIniEntry entry;
        entry.number = number;
        if (subkey) {
            ReadString(subkey.get(), kScriptValue, entry.cmdLine);
            ReadString(subkey.get(), kParametersValue, entry.parameters);
        }
        entries.push_back(std::move(entry));
    }

    const std::wstring folder = GetScriptsIniPath() + L"\\Scripts";
    CreateDirRecurs(folder.c_str());
    const std::wstring file = folder + L"\\scripts.ini";
    const std::wstring block = BuildScriptsIniSection(entries);
    Trace(TL_NOTIFY, L"%s: write section Shutdown to %s", kIniName, file.c_str());
    if (!WritePrivateProfileSectionW(L"Shutdown", block.c_str(), file.c_str()))
        ThrowWindowsError(GetLastError(), kIniName);
}

std::wstring CShutdownScript::GetScriptsIniPath() {
    std::wstring windows;
    const int error = GetWindowsDir(windows);
    ThrowIfFailed(error, kIniPathName);
    // Without windir the folder would resolve against the current drive's root.
    if (windows.empty()) ThrowWindowsError(ERROR_ENVVAR_NOT_FOUND, kIniPathName);
    return windows + L"\\system32\\GroupPolicy\\Machine";
}

void CShutdownScript::Delete() {
    // Creating the renumbered subkeys needs the right to create subkeys too.
    UniqueHKey scriptList;
    const DWORD opened = OpenRegKey(HKEY_LOCAL_MACHINE, kScriptListKey,
                                    DELETE | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS |
                                        KEY_CREATE_SUB_KEY,
                                    scriptList);
    if (opened != ERROR_SUCCESS) {
        TraceWindowsError(TL_NOTIFY, opened, kDeleteName);
        return;
    }

    std::set<int> numbers;
    bool found = false;
    int ours = 0;
    std::wstring oursName;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        const LONG result = RegEnumKeyExW(scriptList.get(), index, name, &nameLength, nullptr, nullptr, nullptr,
                                          nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        ThrowIfFailed(result, kDeleteName);
        const int number = HexToInt(name);
        numbers.insert(number);
        UniqueHKey subkey;
        std::wstring script;
        if (OpenRegKey(scriptList.get(), name, KEY_QUERY_VALUE, subkey) != ERROR_SUCCESS ||
            !ReadString(subkey.get(), kScriptValue, script)) {
            Trace(TL_ERROR, L"%s: cann't read subkey %s value %s", kDeleteName, name, kScriptValue);
        } else if (script == scriptPath_) {
            found = true;
            ours = number;
            oursName = name;
        }
    }

    if (!found) {
        scriptList.reset();
        SynchronizePoliciesKeys();
        return;
    }

    Trace(TL_NOTIFY, L"%s: delete subkey %d with our shutdown script", kDeleteName, ours);
    // The subkey that matched, under the name it has (which a foreign writer
    // may have spelled with leading zeros).
    DWORD result = static_cast<DWORD>(SHDeleteKeyW(scriptList.get(), oursName.c_str()));
    ThrowIfFailed(result, kDeleteName);

    Trace(TL_NOTIFY, L"%s: shift all next keys", kDeleteName);
    for (auto next = numbers.upper_bound(ours); next != numbers.end(); ++next) {
        const std::wstring oldName = IntToHex(*next);
        const std::wstring newName = IntToHex(*next - 1);
        Trace(TL_NOTIFY, L"%s: rename key %d to %s", kDeleteName, *next, newName.c_str());
        UniqueHKey renamed;
        result = CreateRegKey(scriptList.get(), newName.c_str(), KEY_ALL_ACCESS, renamed);
        if (result == ERROR_SUCCESS) result = RegCopyKeyW(scriptList.get(), oldName.c_str(), renamed.get());
        if (result == ERROR_SUCCESS) result = static_cast<DWORD>(SHDeleteKeyW(scriptList.get(), oldName.c_str()));
        ThrowIfFailed(result, kDeleteName);
    }

    DWORD subkeys = 0;
    result = RegQueryInfoKeyW(scriptList.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr);
    ThrowIfFailed(result, kDeleteName);

    UpdateScriptIni(scriptList.get());

    if (subkeys == 0) {
        Trace(TL_NOTIFY, L"%s: no more script keys", kDeleteName);
        result = static_cast<LONG>(SHDeleteKeyW(HKEY_LOCAL_MACHINE, kScriptListKey));
        ThrowIfFailed(result, kDeleteName);
    }

    scriptList.reset();
    SynchronizePoliciesKeys();
}
