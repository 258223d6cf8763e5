#include "Process.h"

#include "ErrorText.h"
#include "diagnostics/TraceLog.h"

DWORD CrtProc(const wchar_t* applicationName, wchar_t* commandLine, const wchar_t* workingFolder, PROCESS_INFORMATION& processInfo) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (CreateProcessW(applicationName, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, workingFolder,
                       &startup, &processInfo))
        return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    TraceWindowsError(TL_ERROR, error, L"CrtProc");
    Trace(TL_ERROR, L"Command line: %s", commandLine);
    if (processInfo.hThread) CloseHandle(processInfo.hThread);
    if (processInfo.hProcess) CloseHandle(processInfo.hProcess);
    processInfo.hThread = nullptr;
    processInfo.hProcess = nullptr;
    return error;
}
