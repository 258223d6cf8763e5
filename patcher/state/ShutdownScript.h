#pragma once
// Registration of a program as a machine shutdown script of the local Group
// Policy: the script list in the policy state key, its mirror in the policy
// key that Windows reads at shutdown, and the "Shutdown" section of the
// machine policy's scripts.ini.
#include <windows.h>

#include <string>

class CShutdownScript {
public:
    // The layout of the policy key follows the running system's major version.
    explicit CShutdownScript(const wchar_t* scriptPath);
    // The layout given explicitly: true for systems of major version 6 on.
    CShutdownScript(const wchar_t* scriptPath, bool newerPolicyLayout);

    // Registers the script with this parameter line at the first free number,
    // after removing an earlier registration of the same path. Throws
    // std::logic_error on failure; nothing written before is undone.
    void Create(const wchar_t* parameters);

    // Removes the registration whose script is exactly this path, moving the
    // later entries down by one. Returns quietly when nothing is registered;
    // throws std::logic_error on failure.
    void Delete();

    const std::wstring& ScriptPath() const { return scriptPath_; }
    bool NewerPolicyLayout() const { return newerPolicyLayout_; }

private:
    int FindFreeKeyNumber(HKEY scriptList) const;
    void CreateShutdownScript(const wchar_t* parameters, HKEY scriptList, int number) const;
    void SynchronizePoliciesKeys() const;
    void UpdateScriptIni(HKEY scriptList) const;
    static std::wstring GetScriptsIniPath();

    std::wstring scriptPath_;
    bool newerPolicyLayout_;
};
