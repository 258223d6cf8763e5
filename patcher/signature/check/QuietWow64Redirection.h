#pragma once
// The signature check's own WOW64 redirection guard: switches file-system
// redirection off for the calling thread while it lives, only in a process that
// runs under WOW64, and writes no trace (unlike CWow64FsRedirectionDisabler).
class CQuietWow64Redirection {
public:
    CQuietWow64Redirection();
    ~CQuietWow64Redirection();
    CQuietWow64Redirection(const CQuietWow64Redirection&) = delete;
    CQuietWow64Redirection& operator=(const CQuietWow64Redirection&) = delete;

    bool Disabled() const { return disabled_; }

private:
    void* oldValue_ = nullptr;
    bool disabled_ = false;
};
