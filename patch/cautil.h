#pragma once
// Per-call state of a custom action: the install handle, its active database,
// the log name and a return value forced by the installer (a user cancel).
// One custom action runs at a time in a custom-action process, so the state
// is process-wide and unguarded.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

HRESULT CaInitialize(MSIHANDLE hInstall, const char* szCustomActionLogName);
UINT CaFinalize(UINT uiReturnValue);

bool CaIsInitialized();
MSIHANDLE CaGetInstallHandle();
MSIHANDLE CaGetDatabaseHandle();
// The prefix of every log line; empty outside a call.
const char* CaGetLogName();
void CaSetReturnValue(UINT uiReturnValue);

// This library's module, recorded by DllMain.
void CaSetModuleHandle(HMODULE hModule);
HMODULE CaGetModuleHandle();
