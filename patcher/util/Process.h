#pragma once
// Starting a child process.
#include <windows.h>

// Starts the program named at the head of a writable command line, in the
// given working folder (null: the caller's). On success the caller owns the
// handles in `processInfo`; on failure traces the error and the command line,
// closes whatever handle was filled in, and returns the Windows error.
DWORD CrtProc(wchar_t* commandLine, const wchar_t* workingFolder, PROCESS_INFORMATION& processInfo);
