// Shutdown simulator: runs the machine shutdown scripts registered in the
// local Group Policy the way Windows does when the machine shuts down, one
// after the other, each with its parameters, waiting for each to end.
//
//   shutdownsim.exe [/layout newer|older] [/ini] [/check] [/cwd <folder>] [/timeout <seconds>]
//
// By default the scripts come from the policy key that Windows of the running
// version reads (kNewerPolicyKey from major version 6 on, kOlderPolicyKey
// before, both under HKLM); /layout picks one explicitly.
// Under it, each policy object is a numbered subkey holding numbered script
// subkeys with the values Script and Parameters. A relative Script is taken
// from the object's FileSysPath folder, under "Scripts\Shutdown".
// /ini takes the scripts from the "Shutdown" section of
// %windir%\System32\GroupPolicy\Machine\Scripts\scripts.ini instead (what a
// policy refresh would rebuild the keys from): lines "<n>CmdLine=" and
// "<n>Parameters=" (read back without surrounding blanks, as the profile
// functions give them). /check runs nothing; it compares both sources.
// Numbers are read in lower-case hexadecimal, counting up from 0 until one is
// missing, as the registrations are written; subkeys that the count does not
// reach are reported as "unreached".
// Each script starts in its own folder unless /cwd is given.
//
// Output (UTF-8, one line each):
//   script <gpo>/<n>: <command line>
//   exit <gpo>/<n>: <exit code>      or   failed <gpo>/<n>: <Windows error>
// Exit code: 0 all scripts started (whatever their own codes), 1 bad usage,
// 2 a script could not be started or did not end in time, 3 /check found a
// difference.
#include <windows.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const wchar_t kNewerPolicyKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts\\Shutdown";
const wchar_t kOlderPolicyKey[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\System\\Scripts\\Shutdown";

struct Script {
    std::wstring id;  // "<gpo>/<n>"
    std::wstring path;
    std::wstring parameters;
    std::wstring folder;  // the policy object's FileSysPath
};

void Print(const std::wstring& line) {
    const std::wstring text = line + L"\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Hex(unsigned n) {
    wchar_t text[16];
    _snwprintf(text, 16, L"%x", n);
    text[15] = L'\0';
    return text;
}

class Key {
public:
    Key(HKEY parent, const std::wstring& name) {
        if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

    std::wstring String(const wchar_t* name) const {
        std::vector<wchar_t> data(1024);
        for (;;) {
            DWORD size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
            DWORD type = 0;
            const LONG result =
                RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
            if (result == ERROR_MORE_DATA) {
                data.assign(size / sizeof(wchar_t) + 2, L'\0');
                continue;
            }
            if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::wstring();
            data[size / sizeof(wchar_t)] = L'\0';
            return data.data();
        }
    }

    std::set<std::wstring> SubkeyNames() const {
        std::set<std::wstring> names;
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD length = 256;
            if (RegEnumKeyExW(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            std::wstring lowered = name;
            CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
            names.insert(lowered);
        }
        return names;
    }

private:
    HKEY key_ = nullptr;
};

// Reports the subkeys a count from 0 did not reach.
void ReportUnreached(const Key& key, unsigned reached, const std::wstring& where) {
    std::set<std::wstring> names = key.SubkeyNames();
    for (unsigned n = 0; n < reached; ++n) names.erase(Hex(n));
    for (const std::wstring& name : names) Print(L"unreached " + where + name);
}

std::vector<Script> FromPolicyKey(const wchar_t* policyKey) {
    std::vector<Script> scripts;
    Key policy(HKEY_LOCAL_MACHINE, policyKey);
    if (!policy) return scripts;
    unsigned gpo = 0;
    for (;; ++gpo) {
        Key object(policy.get(), Hex(gpo));
        if (!object) break;
        const std::wstring folder = object.String(L"FileSysPath");
        unsigned n = 0;
        for (;; ++n) {
            Key entry(object.get(), Hex(n));
            if (!entry) break;
            scripts.push_back({Hex(gpo) + L"/" + Hex(n), entry.String(L"Script"), entry.String(L"Parameters"), folder});
        }
        ReportUnreached(object, n, Hex(gpo) + L"/");
    }
    ReportUnreached(policy, gpo, L"");
    return scripts;
}

std::wstring Env(const wchar_t* name) {
    std::vector<wchar_t> value(32768);
    const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    return length && length < value.size() ? std::wstring(value.data(), length) : std::wstring();
}

std::wstring ScriptsIniPath() { return Env(L"windir") + L"\\System32\\GroupPolicy\\Machine\\Scripts\\scripts.ini"; }

// Windows' own shutdown script runner is a native program: it reads the real
// system folder. Built as a 32-bit program on 64-bit Windows, the simulator
// must turn WOW64 redirection off to read the same scripts.ini.
class RealSystemFolder {
public:
    RealSystemFolder() {
        using Disable = BOOL(WINAPI*)(PVOID*);
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        const auto disable = reinterpret_cast<Disable>(
            reinterpret_cast<void (*)()>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
        disabled_ = disable && disable(&old_);
    }
    ~RealSystemFolder() {
        if (!disabled_) return;
        using Revert = BOOL(WINAPI*)(PVOID);
        const auto revert = reinterpret_cast<Revert>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "Wow64RevertWow64FsRedirection")));
        if (revert) revert(old_);
    }
    RealSystemFolder(const RealSystemFolder&) = delete;
    RealSystemFolder& operator=(const RealSystemFolder&) = delete;

private:
    PVOID old_ = nullptr;
    bool disabled_ = false;
};

std::vector<Script> FromScriptsIni() {
    std::vector<Script> scripts;
    const RealSystemFolder realSystemFolder;
    const std::wstring ini = ScriptsIniPath();
    const std::wstring folder = Env(L"windir") + L"\\System32\\GroupPolicy\\Machine";
    // The whole section: "key=value" entries, each ended by a NUL.
    std::vector<wchar_t> block(65536);
    const DWORD length =
        GetPrivateProfileSectionW(L"Shutdown", block.data(), static_cast<DWORD>(block.size()), ini.c_str());
    std::map<std::wstring, std::wstring> entries;
    for (size_t at = 0; at < length && block[at];) {
        const std::wstring entry = block.data() + at;
        at += entry.size() + 1;
        const size_t equals = entry.find(L'=');
        if (equals == std::wstring::npos) continue;
        std::wstring key = entry.substr(0, equals);
        CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
        entries[key] = entry.substr(equals + 1);
    }
    for (unsigned n = 0;; ++n) {
        const auto cmd = entries.find(Hex(n) + L"cmdline");
        if (cmd == entries.end()) break;
        const auto parameters = entries.find(Hex(n) + L"parameters");
        scripts.push_back({L"0/" + Hex(n), cmd->second, parameters == entries.end() ? L"" : parameters->second, folder});
    }
    return scripts;
}

bool IsRelative(const std::wstring& path) {
    return !(path.size() >= 2 && path[1] == L':') && !(path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\');
}

// 0 when started and ended in time; the exit code is printed.
int RunScript(const Script& script, const std::wstring& cwd, DWORD timeoutMs) {
    std::wstring program = script.path;
    if (IsRelative(program) && !script.folder.empty()) program = script.folder + L"\\Scripts\\Shutdown\\" + program;
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!script.parameters.empty()) commandLine += L" " + script.parameters;
    Print(L"script " + script.id + L": " + commandLine);

    std::wstring folder = cwd;
    if (folder.empty()) folder = program.substr(0, program.rfind(L'\\'));
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        Print(L"failed " + script.id + L": " + std::to_wstring(GetLastError()));
        return 2;
    }
    const DWORD waited = WaitForSingleObject(process.hProcess, timeoutMs);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (waited != WAIT_OBJECT_0) {
        Print(L"failed " + script.id + L": timeout");
        return 2;
    }
    Print(L"exit " + script.id + L": " + std::to_wstring(code));
    return 0;
}

std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

bool NewerLayoutByVersion() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExW(&version) && version.dwMajorVersion >= 6;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool newer = NewerLayoutByVersion();
    bool fromIni = false;
    bool check = false;
    std::wstring cwd;
    DWORD timeoutMs = 600 * 1000;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"/layout" && i + 1 < argc) {
            const std::wstring value = argv[++i];
            if (value != L"newer" && value != L"older") return 1;
            newer = value == L"newer";
        } else if (arg == L"/ini") {
            fromIni = true;
        } else if (arg == L"/check") {
            check = true;
        } else if (arg == L"/cwd" && i + 1 < argc) {
            cwd = argv[++i];
        } else if (arg == L"/timeout" && i + 1 < argc) {
            timeoutMs = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10)) * 1000;
        } else {
            Print(L"usage: shutdownsim.exe [/layout newer|older] [/ini] [/check] [/cwd <folder>] [/timeout <s>]");
            return 1;
        }
    }
    const wchar_t* policyKey = newer ? kNewerPolicyKey : kOlderPolicyKey;
    Print(std::wstring(L"policy key: HKLM\\") + policyKey);

    if (check) {
        const std::vector<Script> keys = FromPolicyKey(policyKey);
        const std::vector<Script> ini = FromScriptsIni();
        // The profile functions drop blanks around a value when they read it,
        // as the policy engine does when it rebuilds the keys from the file.
        bool same = keys.size() == ini.size();
        for (size_t i = 0; same && i < keys.size(); ++i)
            same = Trimmed(keys[i].path) == ini[i].path && Trimmed(keys[i].parameters) == ini[i].parameters;
        Print(same ? L"check: policy key and scripts.ini agree (" + std::to_wstring(keys.size()) + L" scripts)"
                   : L"check: policy key lists " + std::to_wstring(keys.size()) + L", scripts.ini lists " +
                         std::to_wstring(ini.size()) + L" scripts, or they differ");
        return same ? 0 : 3;
    }

    const std::vector<Script> scripts = fromIni ? FromScriptsIni() : FromPolicyKey(policyKey);
    int status = 0;
    for (const Script& script : scripts)
        if (RunScript(script, cwd, timeoutMs) != 0) status = 2;
    Print(L"done: " + std::to_wstring(scripts.size()) + L" scripts");
    return status;
}
