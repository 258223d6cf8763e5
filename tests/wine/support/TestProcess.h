#pragma once
// Programs the Windows tests start.
#include "util/UniqueHandle.h"

#include <windows.h>

// Waits for the process to end: its exit code, or ~0u when it has not ended
// within the time.
DWORD WaitForExitCode(const UniqueProcessInformation& process, DWORD timeoutMs = INFINITE);
