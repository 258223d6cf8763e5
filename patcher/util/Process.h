#pragma once
// Starting a child process.
#include <windows.h>

// Starts a program in the given working folder (null: the caller's). With an
// application name (a full path) exactly that file runs and the command line
// is passed unchanged; with null the head of the command line is searched for,
// which includes the program's and the current folder. On success the caller owns the
// handles in `processInfo`; on failure traces the error and the command line,
// closes whatever handle was filled in, and returns the Windows error.
DWORD CrtProc(const wchar_t* applicationName, wchar_t* commandLine, const wchar_t* workingFolder, PROCESS_INFORMATION& processInfo);
