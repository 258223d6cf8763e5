#pragma once
// Scoped installer handle (views, records, databases): closed when it goes.
#include <windows.h>
#include <msi.h>

class CMsiHandle {
public:
    CMsiHandle() = default;
    explicit CMsiHandle(MSIHANDLE h) : m_h(h) {}
    ~CMsiHandle() { Close(); }
    CMsiHandle(const CMsiHandle&) = delete;
    CMsiHandle& operator=(const CMsiHandle&) = delete;

    MSIHANDLE Get() const { return m_h; }
    explicit operator bool() const { return m_h != 0; }
    // Closes the held handle and offers its slot to an installer call that returns one.
    MSIHANDLE* Put()
    {
        Close();
        return &m_h;
    }
    void Close()
    {
        if (m_h) {
            ::MsiCloseHandle(m_h);
            m_h = 0;
        }
    }

private:
    MSIHANDLE m_h = 0;
};
