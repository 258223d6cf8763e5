#include "LegacyFixActions.h"

#include "diagnostics/TraceLog.h"
#include "util/ErrorText.h"
#include "util/Registry.h"
#include "util/UniqueHandle.h"

#include <windows.h>

namespace {

const wchar_t kApplyName[] = L"ApplyHf27Actions";
const wchar_t kRollbackName[] = L"RollbackHf27Actions";
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
    Trace(TL_NOTIFY, L"%s: Apply hf27 custom actions.", kApplyName);
    UniqueHKey key;
    ThrowIfFailed(CreateRegKey(HKEY_LOCAL_MACHINE, kFilterParametersKey, KEY_WRITE, key), kApplyName);
    ThrowIfFailed(SetRegDword(key.get(), kCdIdDisabledValue, 1), kApplyName);
    key.reset();
    Trace(TL_NOTIFY, L"%s: Applied succesfully.", kApplyName);
}

void RollbackHf27Actions() {
    Trace(TL_NOTIFY, L"%s: Rollback hf27 custom actions.", kRollbackName);
    // Opened, not created: rolling back must not leave a key that was never there.
    UniqueHKey key;
    ThrowIfFailed(OpenRegKey(HKEY_LOCAL_MACHINE, kFilterParametersKey, KEY_SET_VALUE, key), kRollbackName);
    ThrowIfFailed(SetRegNone(key.get(), kCdIdDisabledValue), kRollbackName);
    key.reset();
    Trace(TL_NOTIFY, L"%s: Rollback succesfully done.", kRollbackName);
}
