#include "LegacyFixActions.h"

#include "diagnostics/TraceLog.h"
#include "util/ErrorText.h"
#include "util/UniqueHandle.h"

#include <windows.h>

namespace {

const wchar_t kHf27[] = L"hf27";
const wchar_t kFilterParametersKey[] = L"SYSTEM\\CurrentControlSet\\Services\\TLIF\\Parameters";
const wchar_t kCdIdDisabledValue[] = L"CD_ID_Disabled";

}  // namespace

void ApplyHf27Actions(std::wstring fixIdentifier) {
    if (fixIdentifier == kHf27) ApplyHf27Actions();
}

void RollbackHf27Actions(std::wstring fixIdentifier) {
    if (fixIdentifier == kHf27) RollbackHf27Actions();
}

void ApplyHf27Actions() {
    Trace(TL_NOTIFY, L"%s: Apply hf27 custom actions.", L"ApplyHf27Actions");
    UniqueHKey key;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kFilterParametersKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, key.put(), nullptr);
    if (result != ERROR_SUCCESS) ThrowWindowsError(result, "ApplyHf27Actions");
    const DWORD disabled = 1;
    result = RegSetValueExW(key.get(), kCdIdDisabledValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&disabled),
                            sizeof disabled);
    if (result != ERROR_SUCCESS) ThrowWindowsError(result, "ApplyHf27Actions");
    key.reset();
    Trace(TL_NOTIFY, L"%s: Applied succesfully.", L"ApplyHf27Actions");
}

void RollbackHf27Actions() {
    Trace(TL_NOTIFY, L"%s: Rollback hf27 custom actions.", L"RollbackHf27Actions");
    // Opened, not created: rolling back must not leave a key that was never there.
    UniqueHKey key;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFilterParametersKey, 0, KEY_SET_VALUE, key.put());
    if (result != ERROR_SUCCESS) ThrowWindowsError(result, "RollbackHf27Actions");
    result = RegSetValueExW(key.get(), kCdIdDisabledValue, 0, REG_NONE, nullptr, 0);
    if (result != ERROR_SUCCESS) ThrowWindowsError(result, "RollbackHf27Actions");
    key.reset();
    Trace(TL_NOTIFY, L"%s: Rollback succesfully done.", L"RollbackHf27Actions");
}
