// Test driver: runs a command line inside Wine, waits for it and writes its
// full 32-bit exit code to a file (a Linux parent sees only the low byte).
//   WEXEC_CMDLINE  command line to run (required)
//   WEXEC_CWD      current folder of the child (optional)
//   WEXEC_RESULT   file that receives the exit code in decimal (required)
// The child inherits this process's standard handles.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring Env(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return std::wstring();
    std::vector<wchar_t> value(size);
    GetEnvironmentVariableW(name, value.data(), size);
    return value.data();
}

}  // namespace

int wmain() {
    std::wstring commandLine = Env(L"WEXEC_CMDLINE");
    const std::wstring cwd = Env(L"WEXEC_CWD");
    const std::wstring resultPath = Env(L"WEXEC_RESULT");
    if (commandLine.empty() || resultPath.empty()) {
        fwprintf(stderr, L"wexec: WEXEC_CMDLINE and WEXEC_RESULT are required\n");
        return 2;
    }
    // The child must not see the driver's own variables.
    SetEnvironmentVariableW(L"WEXEC_CMDLINE", nullptr);
    SetEnvironmentVariableW(L"WEXEC_CWD", nullptr);
    SetEnvironmentVariableW(L"WEXEC_RESULT", nullptr);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &startup, &process)) {
        fwprintf(stderr, L"wexec: CreateProcessW failed with %lu\n", GetLastError());
        return 3;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    FILE* result = _wfopen(resultPath.c_str(), L"w");
    if (!result) return 4;
    fprintf(result, "%lu\n", exitCode);
    fclose(result);
    return 0;
}
