#include "strbuf.h"

#include <stdarg.h>
#include <stdio.h>

namespace {
// Requests this large or larger could not be expressed as a byte count on
// 32-bit Windows and are refused outright.
constexpr SIZE_T kMaxChars = 0x7FFFFFFF;
}

HRESULT CStrBuf::Allocate(SIZE_T cch)
{
    if (cch == 0) return E_INVALIDARG;
    if (cch >= kMaxChars) return E_OUTOFMEMORY;
    const SIZE_T cb = cch * sizeof(WCHAR);
    if (!m_wz) {
        m_wz = static_cast<LPWSTR>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, cb));
        return m_wz ? S_OK : E_OUTOFMEMORY;
    }
    SIZE_T cchHave = 0;
    HRESULT hr = Capacity(&cchHave);
    if (FAILED(hr)) return hr;
    if (cchHave >= cch) return S_OK;
    void* grown = ::HeapReAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, m_wz, cb);
    if (!grown) return E_OUTOFMEMORY;
    m_wz = static_cast<LPWSTR>(grown);
    return S_OK;
}

HRESULT CStrBuf::Capacity(SIZE_T* pcch) const
{
    if (!pcch) return E_INVALIDARG;
    *pcch = 0;
    if (!m_wz) return E_INVALIDARG;
    const SIZE_T cb = ::HeapSize(::GetProcessHeap(), 0, m_wz);
    if (cb == static_cast<SIZE_T>(-1)) return E_FAIL;
    *pcch = cb / sizeof(WCHAR);
    return S_OK;
}

HRESULT CStrBuf::Format(LPCWSTR wzFormat, ...)
{
    if (!wzFormat) return E_INVALIDARG;
    va_list args;
    va_start(args, wzFormat);
    va_list sizing;
    va_copy(sizing, args);
    // The runtime's own underscored functions keep "%s" wide.
    const int cch = _vscwprintf(wzFormat, sizing);
    va_end(sizing);
    HRESULT hr = cch < 0 ? E_INVALIDARG : Allocate(static_cast<SIZE_T>(cch) + 1);
    if (SUCCEEDED(hr)) {
        _vsnwprintf(m_wz, static_cast<SIZE_T>(cch) + 1, wzFormat, args);
        m_wz[cch] = L'\0';
    }
    va_end(args);
    return hr;
}

void CStrBuf::Free()
{
    if (m_wz) {
        ::HeapFree(::GetProcessHeap(), 0, m_wz);
        m_wz = nullptr;
    }
}
