#include "TargetComponent.h"

#include "calog.h"
#include "cautil.h"
#include "cawrap.h"

namespace {
constexpr int kAttributes64Bit = 0x100;
}

HRESULT FindTargetComponent(TargetComponent& component)
{
    component = TargetComponent();
    UniqueMsiHandle hView;
    HRESULT hr = CaOpenExecuteView(L"SELECT `Component`, `Attributes` FROM `Component`", hView);
    if (FAILED(hr)) {
        CaLog(CA_LOG_STANDARD, "WARNING: Failed to execute view on Component table.");
        return hr;
    }

    UniqueMsiHandle hRecord;
    CStrBuf sczName;
    while (S_OK == (hr = CaFetchRecord(hView.get(), hRecord))) {
        hr = CaGetRecordString(hRecord.get(), 1, sczName);
        if (FAILED(hr)) {
            CaLog(CA_LOG_STANDARD, "WARNING: Failed to get component name '%S'.", sczName.Text());
            return hr;
        }
        INSTALLSTATE isInstalled = INSTALLSTATE_UNKNOWN;
        INSTALLSTATE isAction = INSTALLSTATE_UNKNOWN;
        if (::MsiGetComponentStateW(CaGetInstallHandle(), sczName.Text(), &isInstalled, &isAction) != ERROR_SUCCESS) {
            CaLog(CA_LOG_STANDARD, "WARNING: Failed to get component '%S' state.", sczName.Text());
            continue;
        }
        if (!CaIsReInstalling(isInstalled, isAction) && !CaIsInstalling(isInstalled, isAction)) continue;

        component.name = sczName.Text();
        int iAttributes = 0;
        hr = CaGetRecordInteger(hRecord.get(), 2, &iAttributes);
        if (FAILED(hr)) {
            CaLog(CA_LOG_STANDARD, "WARNING: Failed to get attributes '%i'.", iAttributes);
            return hr;
        }
        // A null cell reads as 0x80000000, which leaves the bit clear.
        component.is64Bit = (iAttributes & kAttributes64Bit) != 0;
        CaLog(CA_LOG_STANDARD, "SUCCESS: Component found. Name = %S, attributes = %i", sczName.Text(), iAttributes);
        return S_OK;
    }
    return hr == HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS) ? S_OK : hr;
}
