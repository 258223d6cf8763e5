// Splitting of the raw command line, the Windows half of CCMDParser.
#include "CmdParser.h"

#include "diagnostics/TraceLog.h"

#include <windows.h>
#include <shellapi.h>

CCMDParser::CCMDParser(const wchar_t* commandLine) {
    Trace(TL_NOTIFY, L"Parse CMD line: %s", commandLine);
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(commandLine, &count);
    if (!argv) {
        Trace(TL_ERROR, L"Parse CMD line: %s Error code: %d", commandLine, static_cast<int>(GetLastError()));
        return;
    }
    std::vector<std::wstring> arguments(argv, argv + count);
    LocalFree(argv);
    Parse(arguments);
}
