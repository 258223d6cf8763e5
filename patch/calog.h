#pragma once
// Lines in the installer's log, prefixed with the custom action's name, and
// the verbose/standard decision shared with later custom actions of the same
// installer process through two global atoms.
#include <windows.h>

enum CaLogLevel {
    CA_LOG_VERBOSE = 1,   // written only when verbose logging is on
    CA_LOG_STANDARD = 2,  // always written
};

// Formats follow the Windows runtime: "%s" narrow, "%S" wide.
void CaLog(int iLevel, const char* szFormat, ...) __attribute__((format(ms_printf, 2, 3)));
// Logs "Error 0x%x: <text>" at the standard level while a call is initialised.
void CaLogError(HRESULT hr, const char* szFormat, ...) __attribute__((format(ms_printf, 2, 3)));

// Atoms first, then the installer's logging policy.
bool CaIsVerboseLogging();
// From the package's properties (LOGVERBOSE, MsiLogging) or the policy;
// decided once per process.
bool CaDetectVerboseLogging();
// Leaves exactly one of the atoms "CaVerboseLogging" / "CaNotVerboseLogging".
HRESULT CaPublishVerboseLogging(bool fVerbose);
