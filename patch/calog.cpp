#include "calog.h"

#include "cautil.h"
#include "cawrap.h"
#include "strbuf.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

constexpr size_t kLineChars = 2048;  // with the terminator; longer lines are cut
constexpr char kVerboseAtom[] = "CaVerboseLogging";
constexpr char kNotVerboseAtom[] = "CaNotVerboseLogging";

bool s_fLogging = false;           // a line is being sent: nested lines are dropped
int s_iVerboseDecision = -1;       // negative until decided

// Prints into a fixed line, cutting what does not fit. The runtime's
// _vsnprintf leaves no terminator when it cuts, so the last slot is reserved.
void PrintCut(char* szLine, size_t cchLine, const char* szFormat, va_list args)
{
    _vsnprintf(szLine, cchLine - 1, szFormat, args);
    szLine[cchLine - 1] = '\0';
}

bool ContainsV(LPCWSTR wz)
{
    for (; *wz; ++wz)
        if (*wz == L'v' || *wz == L'V') return true;
    return false;
}

// The machine-wide Windows Installer logging policy, e.g. "voicewarmup".
bool IsPolicyVerbose()
{
    UniqueHKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Policies\\Microsoft\\Windows\\Installer", 0, KEY_QUERY_VALUE,
                        key.put()) != ERROR_SUCCESS)
        return false;
    char sz[32];
    DWORD cb = sizeof(sz);
    const LONG er = ::RegQueryValueExA(key.get(), "Logging", nullptr, nullptr, reinterpret_cast<BYTE*>(sz), &cb);
    key.reset();
    if (er != ERROR_SUCCESS) return false;
    // The stored value need not carry a terminator: look only at what was read.
    for (DWORD i = 0; i < cb && sz[i]; ++i)
        if (sz[i] == 'v' || sz[i] == 'V') return true;
    return false;
}

HRESULT LastErrorOrFail()
{
    const DWORD er = ::GetLastError();
    return er ? HRESULT_FROM_WIN32(er) : E_FAIL;
}

HRESULT AddAtomIfMissing(const char* szAtom, const char* szFailure)
{
    if (::GlobalFindAtomA(szAtom)) return S_OK;
    ::SetLastError(ERROR_SUCCESS);
    if (::GlobalAddAtomA(szAtom)) return S_OK;
    const HRESULT hr = LastErrorOrFail();
    CaLogError(hr, "%s", szFailure);
    return hr;
}

HRESULT DeleteAtomIfPresent(const char* szAtom, const char* szFailure)
{
    const ATOM atom = ::GlobalFindAtomA(szAtom);
    if (!atom) return S_OK;
    ::SetLastError(ERROR_SUCCESS);
    if (!::GlobalDeleteAtom(atom)) return S_OK;
    const HRESULT hr = LastErrorOrFail();
    CaLogError(hr, "%s", szFailure);
    return hr;
}

}  // namespace

void CaLog(int iLevel, const char* szFormat, ...)
{
    if (s_fLogging || !szFormat) return;
    if (iLevel != CA_LOG_STANDARD && !(iLevel == CA_LOG_VERBOSE && CaIsVerboseLogging())) return;
    s_fLogging = true;

    // "<name>:  <text>": the name is written first, so a '%' in it is never
    // taken for a conversion.
    char szLine[kLineChars];
    size_t cchPrefix = 0;
    const char* szName = CaGetLogName();
    if (*szName) {
        const int cch = _snprintf(szLine, kLineChars, "%s:  ", szName);
        if (cch > 0) cchPrefix = static_cast<size_t>(cch);
    }
    va_list args;
    va_start(args, szFormat);
    PrintCut(szLine + cchPrefix, kLineChars - cchPrefix, szFormat, args);
    va_end(args);

    const UniqueMsiHandle hRecord(::MsiCreateRecord(1));
    if (hRecord) {
        ::MsiRecordSetStringA(hRecord.get(), 0, szLine);
        CaProcessMessage(INSTALLMESSAGE_INFO, hRecord.get());
    }
    s_fLogging = false;
}

void CaLogError(HRESULT hr, const char* szFormat, ...)
{
    if (!szFormat) return;
    char szText[kLineChars];
    va_list args;
    va_start(args, szFormat);
    PrintCut(szText, kLineChars, szFormat, args);
    va_end(args);
    if (CaIsInitialized()) CaLog(CA_LOG_STANDARD, "Error 0x%x: %s", static_cast<unsigned>(hr), szText);
}

bool CaIsVerboseLogging()
{
    if (::GlobalFindAtomA(kVerboseAtom)) return true;
    if (::GlobalFindAtomA(kNotVerboseAtom)) return false;
    return IsPolicyVerbose();
}

bool CaDetectVerboseLogging()
{
    if (s_iVerboseDecision >= 0) return s_iVerboseDecision != 0;

    bool fVerbose = false;
    if (CaIsPropertySet("LOGVERBOSE")) {
        fVerbose = true;
    } else {
        CStrBuf sczLogging;
        const HRESULT hr = CaGetProperty(L"MsiLogging", sczLogging);
        if (FAILED(hr))
            CaLogError(hr, "failed to get MsiLogging property");
        else
            fVerbose = ContainsV(sczLogging.Text()) || IsPolicyVerbose();
    }
    s_iVerboseDecision = fVerbose ? 1 : 0;
    return fVerbose;
}

HRESULT CaPublishVerboseLogging(bool fVerbose)
{
    if (fVerbose) {
        HRESULT hr = AddAtomIfMissing(kVerboseAtom, "Failed to create CaVerboseLogging global atom.");
        if (SUCCEEDED(hr)) hr = DeleteAtomIfPresent(kNotVerboseAtom, "Failed to delete CaNotVerboseLogging global atom.");
        return hr;
    }
    HRESULT hr = DeleteAtomIfPresent(kVerboseAtom, "Failed to delete CaVerboseLogging global atom.");
    if (SUCCEEDED(hr)) hr = AddAtomIfMissing(kNotVerboseAtom, "Failed to create CaNotVerboseLogging global atom.");
    return hr;
}
