#pragma once
// Turns WOW64 file-system redirection off for the calling thread while the
// object lives, where the system offers it, so that files reach the real
// system folder. Each step goes to a trace sink: the trace log by default,
// none for callers that keep their own trace (the signature check).
class CWow64FsRedirectionDisabler {
public:
    using TraceSink = void (*)(int level, const wchar_t* format, ...);

    explicit CWow64FsRedirectionDisabler(TraceSink sink = DefaultSink());
    ~CWow64FsRedirectionDisabler();

    CWow64FsRedirectionDisabler(const CWow64FsRedirectionDisabler&) = delete;
    CWow64FsRedirectionDisabler& operator=(const CWow64FsRedirectionDisabler&) = delete;

    bool Disabled() const { return disabled_ != 0; }

private:
    static TraceSink DefaultSink();

    TraceSink sink_;
    void* oldValue_ = nullptr;
    int disabled_ = 0;
};
