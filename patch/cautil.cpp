#include "cautil.h"

#include "calog.h"
#include "MsiHandle.h"

#include <string.h>

namespace {

constexpr size_t kLogNameChars = 32;  // with the terminator

HMODULE s_hModule = nullptr;
bool s_fInitialized = false;
MSIHANDLE s_hInstall = 0;
// The engine's database for the running action, closed by CaFinalize (or at
// the latest when the library is unloaded).
UniqueMsiHandle s_database;
char s_szLogName[kLogNameChars] = "";
UINT s_uiForcedReturnValue = ERROR_SUCCESS;

void ClearState()
{
    s_database.reset();
    s_hInstall = 0;
    s_fInitialized = false;
    s_szLogName[0] = '\0';
}

}  // namespace

HRESULT CaInitialize(MSIHANDLE hInstall, const char* szCustomActionLogName)
{
    s_uiForcedReturnValue = ERROR_SUCCESS;
    if (!hInstall || !szCustomActionLogName || !*szCustomActionLogName) return E_INVALIDARG;

    s_fInitialized = true;
    s_hInstall = hInstall;
    s_database.reset(::MsiGetActiveDatabase(hInstall));

    HRESULT hr = S_OK;
    const size_t cchName = strlen(szCustomActionLogName);
    const size_t cchCopy = cchName < kLogNameChars ? cchName : kLogNameChars - 1;
    memcpy(s_szLogName, szCustomActionLogName, cchCopy);
    s_szLogName[cchCopy] = '\0';
    if (cchName >= kLogNameChars) {
        hr = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        CaLogError(hr, "Failed to copy CustomAction log name: %s", szCustomActionLogName);
    }

    // Without a database there are no properties to decide the log level from.
    if (SUCCEEDED(hr) && s_database) {
        hr = CaPublishVerboseLogging(CaDetectVerboseLogging());
        if (FAILED(hr)) CaLogError(hr, "Failed to set verbose logging global atom");
    }

    if (FAILED(hr)) ClearState();
    return hr;
}

UINT CaFinalize(UINT uiReturnValue)
{
    ClearState();
    return s_uiForcedReturnValue != ERROR_SUCCESS ? s_uiForcedReturnValue : uiReturnValue;
}

bool CaIsInitialized() { return s_fInitialized; }
MSIHANDLE CaGetInstallHandle() { return s_hInstall; }
MSIHANDLE CaGetDatabaseHandle() { return s_database.get(); }
const char* CaGetLogName() { return s_szLogName; }
void CaSetReturnValue(UINT uiReturnValue) { s_uiForcedReturnValue = uiReturnValue; }
void CaSetModuleHandle(HMODULE hModule) { s_hModule = hModule; }
HMODULE CaGetModuleHandle() { return s_hModule; }
