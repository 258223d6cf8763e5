#include "cautil.h"

#include "calog.h"

#include <string.h>

namespace {

constexpr size_t kLogNameChars = 32;  // with the terminator

HMODULE s_hModule = nullptr;
bool s_fInitialized = false;
MSIHANDLE s_hInstall = 0;
MSIHANDLE s_hDatabase = 0;
char s_szLogName[kLogNameChars] = "";
UINT s_uiForcedReturnValue = ERROR_SUCCESS;

void ClearState()
{
    if (s_hDatabase) {
        ::MsiCloseHandle(s_hDatabase);
        s_hDatabase = 0;
    }
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
    s_hDatabase = ::MsiGetActiveDatabase(hInstall);

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
    if (SUCCEEDED(hr) && s_hDatabase) {
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
MSIHANDLE CaGetDatabaseHandle() { return s_hDatabase; }
const char* CaGetLogName() { return s_szLogName; }
void CaSetReturnValue(UINT uiReturnValue) { s_uiForcedReturnValue = uiReturnValue; }
void CaSetModuleHandle(HMODULE hModule) { s_hModule = hModule; }
HMODULE CaGetModuleHandle() { return s_hModule; }
