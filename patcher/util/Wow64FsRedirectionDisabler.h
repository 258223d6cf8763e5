#pragma once
// Turns WOW64 file-system redirection off for the calling thread while the
// object lives, where the system offers it, so that files reach the real
// system folder.
class CWow64FsRedirectionDisabler {
public:
    CWow64FsRedirectionDisabler();
    ~CWow64FsRedirectionDisabler();

    CWow64FsRedirectionDisabler(const CWow64FsRedirectionDisabler&) = delete;
    CWow64FsRedirectionDisabler& operator=(const CWow64FsRedirectionDisabler&) = delete;

private:
    void* oldValue_ = nullptr;
    int disabled_ = 0;
};
