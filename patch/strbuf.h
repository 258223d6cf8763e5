#pragma once
// Growable wide-string buffers on the process heap. The custom action runs
// inside the installer's process, so the buffers live on its heap and their
// capacity is whatever the heap block holds.
#include <windows.h>

class CStrBuf {
public:
    CStrBuf() = default;
    ~CStrBuf() { Free(); }
    CStrBuf(const CStrBuf&) = delete;
    CStrBuf& operator=(const CStrBuf&) = delete;

    // Allocates a zero-filled buffer of cch characters, or grows the existing
    // one to at least cch characters keeping its text.
    HRESULT Allocate(SIZE_T cch);
    // Capacity in characters (heap block size / 2); fails when there is no block.
    HRESULT Capacity(SIZE_T* pcch) const;
    // printf-style formatting with the Windows conventions ("%s" is wide).
    HRESULT Format(LPCWSTR wzFormat, ...);
    void Free();

    bool IsAllocated() const { return m_wz != nullptr; }
    LPWSTR Get() const { return m_wz; }
    // The text, or an empty string when nothing is allocated.
    LPCWSTR Text() const { return m_wz ? m_wz : L""; }
    bool IsEmpty() const { return !m_wz || !*m_wz; }

private:
    LPWSTR m_wz = nullptr;
};
