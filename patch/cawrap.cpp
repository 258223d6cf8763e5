#include "cawrap.h"

#include "calog.h"
#include "cautil.h"

namespace {

// The installer reports a string's length without the terminator; reads go
// into a buffer grown to fit, first asking for the size when there is none.
struct StringReadTexts {
    const char* szAllocate;
    const char* szPreviousSize;
    const char* szRead;
};

template <typename Read>
HRESULT ReadGrowing(CStrBuf& scz, const Read& read, const StringReadTexts& texts, LPCWSTR wzName)
{
    HRESULT hr = S_OK;
    DWORD cch = 0;
    if (!scz.IsAllocated()) {
        WCHAR wzEmpty[1] = L"";
        const UINT er = read(wzEmpty, &cch);
        if (er != ERROR_SUCCESS && er != ERROR_MORE_DATA) {
            hr = HRESULT_FROM_WIN32(er);
            CaLogError(hr, texts.szRead, wzName);
            return hr;
        }
        ++cch;
        hr = scz.Allocate(cch);
        if (FAILED(hr)) {
            CaLogError(hr, texts.szAllocate, wzName);
            return hr;
        }
    } else {
        SIZE_T cchCapacity = 0;
        hr = scz.Capacity(&cchCapacity);
        if (FAILED(hr)) {
            CaLogError(hr, "%s", texts.szPreviousSize);
            return hr;
        }
        cch = cchCapacity > MAXDWORD ? MAXDWORD : static_cast<DWORD>(cchCapacity);
    }

    UINT er = read(scz.Get(), &cch);
    if (er == ERROR_MORE_DATA) {
        ++cch;
        hr = scz.Allocate(cch);
        if (FAILED(hr)) {
            CaLogError(hr, texts.szAllocate, wzName);
            return hr;
        }
        er = read(scz.Get(), &cch);
    }
    if (er != ERROR_SUCCESS) {
        hr = HRESULT_FROM_WIN32(er);
        CaLogError(hr, texts.szRead, wzName);
    }
    return hr;
}

bool IsLocalOrSource(INSTALLSTATE is) { return is == INSTALLSTATE_LOCAL || is == INSTALLSTATE_SOURCE; }

DWORD s_dwUniquifier = 0;
bool s_fUniquifierSeeded = false;

}  // namespace

int CaProcessMessage(INSTALLMESSAGE eMessageType, MSIHANDLE hRecord)
{
    const int iResult = ::MsiProcessMessage(CaGetInstallHandle(), eMessageType, hRecord);
    if (iResult == ERROR_INSTALL_USEREXIT || iResult == IDCANCEL) CaSetReturnValue(ERROR_INSTALL_USEREXIT);
    return iResult;
}

HRESULT CaGetProperty(LPCWSTR wzProperty, CStrBuf& sczValue)
{
    if (!wzProperty || !*wzProperty || !CaGetInstallHandle()) return E_INVALIDARG;
    const MSIHANDLE hInstall = CaGetInstallHandle();
    // The names are wide, the formats narrow: "%S" prints them.
    static const StringReadTexts texts = {"Failed to allocate string for Property '%S'",
                                          "Failed to get previous size of property data string.",
                                          "Failed to get data for property '%S'"};
    return ReadGrowing(
        sczValue, [&](LPWSTR wz, DWORD* pcch) { return ::MsiGetPropertyW(hInstall, wzProperty, wz, pcch); }, texts,
        wzProperty);
}

bool CaIsPropertySet(const char* szProperty)
{
    if (!szProperty || !*szProperty || !CaGetInstallHandle()) return false;
    char szEmpty[1] = "";
    DWORD cch = 0;
    ::MsiGetPropertyA(CaGetInstallHandle(), szProperty, szEmpty, &cch);
    return cch != 0;
}

HRESULT CaOpenExecuteView(LPCWSTR wzQuery, UniqueMsiHandle& hView)
{
    if (!wzQuery || !*wzQuery || !CaGetDatabaseHandle()) return E_INVALIDARG;
    UINT er = ::MsiDatabaseOpenViewW(CaGetDatabaseHandle(), wzQuery, hView.put());
    if (er != ERROR_SUCCESS) {
        const HRESULT hr = HRESULT_FROM_WIN32(er);
        CaLogError(hr, "failed to open view on database");
        return hr;
    }
    er = ::MsiViewExecute(hView.get(), 0);
    if (er != ERROR_SUCCESS) {
        const HRESULT hr = HRESULT_FROM_WIN32(er);
        CaLogError(hr, "failed to execute view");
        hView.reset();
        return hr;
    }
    return S_OK;
}

HRESULT CaFetchRecord(MSIHANDLE hView, UniqueMsiHandle& hRecord)
{
    if (!hView) return E_INVALIDARG;
    const UINT er = ::MsiViewFetch(hView, hRecord.put());
    if (er == ERROR_SUCCESS) return S_OK;
    const HRESULT hr = HRESULT_FROM_WIN32(er);
    if (er != ERROR_NO_MORE_ITEMS) CaLogError(hr, "failed to fetch record from view");
    return hr;
}

HRESULT CaGetRecordString(MSIHANDLE hRecord, UINT uiField, CStrBuf& sczValue)
{
    if (!hRecord) return E_INVALIDARG;
    static const StringReadTexts texts = {"Failed to allocate memory for record string",
                                          "Failed to get previous size of string", "Failed to get string from record"};
    return ReadGrowing(
        sczValue, [&](LPWSTR wz, DWORD* pcch) { return ::MsiRecordGetStringW(hRecord, uiField, wz, pcch); }, texts,
        nullptr);
}

HRESULT CaGetRecordInteger(MSIHANDLE hRecord, UINT uiField, int* piValue)
{
    if (!hRecord || !piValue) return E_INVALIDARG;
    *piValue = ::MsiRecordGetInteger(hRecord, uiField);
    return *piValue == static_cast<int>(MSI_NULL_INTEGER) ? S_FALSE : S_OK;
}

bool CaIsInstalling(INSTALLSTATE isInstalled, INSTALLSTATE isAction)
{
    return IsLocalOrSource(isAction) || (isAction == INSTALLSTATE_DEFAULT && IsLocalOrSource(isInstalled));
}

bool CaIsReInstalling(INSTALLSTATE isInstalled, INSTALLSTATE isAction)
{
    return (IsLocalOrSource(isAction) || isAction == INSTALLSTATE_DEFAULT) && IsLocalOrSource(isInstalled);
}

HRESULT CaAddTempRecord(UniqueMsiHandle& hTableView, UniqueMsiHandle& hColumnTypes, LPCWSTR wzTable, UINT uiUniquifyColumn,
                        std::initializer_list<CaValue> values)
{
    if (!wzTable || !*wzTable || values.size() == 0) return E_INVALIDARG;
    if (!s_fUniquifierSeeded) {
        s_dwUniquifier = ::GetTickCount();
        s_fUniquifierSeeded = true;
    }

    HRESULT hr = S_OK;
    if (!hTableView) {
        CStrBuf sczQuery;
        hr = sczQuery.Format(L"SELECT * FROM `%s`", wzTable);
        if (FAILED(hr)) {
            CaLogError(hr, "failed to allocate string for query");
            return hr;
        }
        hr = CaOpenExecuteView(sczQuery.Get(), hTableView);
        if (FAILED(hr)) {
            CaLogError(hr, "failed to openexecute temp view with query %S", sczQuery.Get());
            return hr;
        }
    }
    if (!hColumnTypes) {
        const UINT er = ::MsiViewGetColumnInfo(hTableView.get(), MSICOLINFO_TYPES, hColumnTypes.put());
        if (er != ERROR_SUCCESS) {
            hr = HRESULT_FROM_WIN32(er);
            CaLogError(hr, "failed to columns for table: %S", wzTable);
            return hr;
        }
    }

    const UINT cColumns = static_cast<UINT>(values.size());
    UniqueMsiHandle hRecord(::MsiCreateRecord(cColumns));
    if (!hRecord) {
        hr = E_UNEXPECTED;
        CaLogError(hr, "could not create temp record for table: %S", wzTable);
        return hr;
    }

    CStrBuf sczType;
    CStrBuf sczUnique;
    UINT iColumn = 0;
    for (const CaValue& value : values) {
        ++iColumn;
        hr = CaGetRecordString(hColumnTypes.get(), iColumn, sczType);
        if (FAILED(hr)) {
            CaLogError(hr, "failed to get the data type for %d", iColumn);
            return hr;
        }
        switch (sczType.Text()[0]) {
        case L's': case L'S': case L'g': case L'G': case L'l': case L'L': {
            LPCWSTR wz = value.String();
            // A value of the wrong kind for the column is refused rather than
            // read as something it is not.
            UINT er = value.IsString() ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
            if (er == ERROR_SUCCESS && iColumn == uiUniquifyColumn) {
                ++s_dwUniquifier;
                hr = sczUnique.Format(L"%s%u", wz, static_cast<unsigned>(s_dwUniquifier));
                if (FAILED(hr)) {
                    CaLogError(hr, "failed to allocate string for unique column: %d", uiUniquifyColumn);
                    return hr;
                }
                wz = sczUnique.Get();
            }
            if (er == ERROR_SUCCESS) er = ::MsiRecordSetStringW(hRecord.get(), iColumn, wz);
            if (er != ERROR_SUCCESS) {
                hr = HRESULT_FROM_WIN32(er);
                CaLogError(hr, "failed to set string value at position %d", iColumn);
                return hr;
            }
            break;
        }
        case L'i': case L'I': case L'j': case L'J': {
            UINT er = value.IsString() ? ERROR_INVALID_PARAMETER : ::MsiRecordSetInteger(hRecord.get(), iColumn, value.Integer());
            if (er != ERROR_SUCCESS) {
                hr = HRESULT_FROM_WIN32(er);
                CaLogError(hr, "failed to set integer value at position %d", iColumn);
                return hr;
            }
            break;
        }
        default:
            hr = HRESULT_FROM_WIN32(ERROR_DATATYPE_MISMATCH);
            CaLogError(hr, "unsupported data type '%S' in column: %d", sczType.Text(), iColumn);
            return hr;
        }
    }

    const UINT er = ::MsiViewModify(hTableView.get(), MSIMODIFY_INSERT_TEMPORARY, hRecord.get());
    if (er != ERROR_SUCCESS) {
        hr = HRESULT_FROM_WIN32(er);
        WCHAR wzColumn[MAX_PATH] = L"";
        DWORD cchColumn = MAX_PATH;
        const MSIDBERROR dbErr = ::MsiViewGetErrorW(hTableView.get(), wzColumn, &cchColumn);
        CaLogError(hr, "failed to add temporary row, dberr: %d, err: %S", static_cast<int>(dbErr), wzColumn);
    }
    return hr;
}
