#include "TestProcess.h"

DWORD WaitForExitCode(const UniqueProcessInformation& process, DWORD timeoutMs) {
    DWORD code = ~0u;
    if (WaitForSingleObject(process.process(), timeoutMs) != WAIT_OBJECT_0) return code;
    if (!GetExitCodeProcess(process.process(), &code)) return ~0u;
    return code;
}
