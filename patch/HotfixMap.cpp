#include "HotfixMap.h"

#include "calog.h"
#include "cawrap.h"

HRESULT ReadHotfixMap(HotfixMap& hotfixes)
{
    hotfixes.clear();
    UniqueMsiHandle hView;
    HRESULT hr = CaOpenExecuteView(L"SELECT `PatchId`, `Letter` FROM `PatchInfo`", hView);
    if (FAILED(hr)) {
        // A package without the table has no fixes to register.
        CaLog(CA_LOG_STANDARD, "WARNING: Failed to execute view on PatchInfo table.");
        return S_OK;
    }

    UniqueMsiHandle hRecord;
    CStrBuf sczPatchId;
    CStrBuf sczLetter;
    while (S_OK == (hr = CaFetchRecord(hView.get(), hRecord))) {
        hr = CaGetRecordString(hRecord.get(), 1, sczPatchId);
        if (FAILED(hr)) {
            CaLog(CA_LOG_STANDARD, "WARNING: Failed to get PatchId.");
            return hr;
        }
        hr = CaGetRecordString(hRecord.get(), 2, sczLetter);
        if (FAILED(hr)) {
            CaLog(CA_LOG_STANDARD, "WARNING: Failed to get Letter.");
            return hr;
        }
        if (!hotfixes.emplace(sczPatchId.Text(), sczLetter.Text()).second)
            CaLog(CA_LOG_STANDARD, "WARNING: The registration of hotfix '%S' duplicated.", sczPatchId.Text());
    }
    return hr == HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS) ? S_OK : hr;
}
