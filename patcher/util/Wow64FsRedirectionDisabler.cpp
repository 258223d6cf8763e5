#include "Wow64FsRedirectionDisabler.h"

#include "ProcAddress.h"
#include "diagnostics/TraceLog.h"

#include <windows.h>

namespace {

const wchar_t kCtorName[] = L"CWow64FsRedirectionDisabler::CWow64FsRedirectionDisabler";
const wchar_t kDtorName[] = L"CWow64FsRedirectionDisabler::~CWow64FsRedirectionDisabler";

using RedirectionFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

}  // namespace

CWow64FsRedirectionDisabler::TraceSink CWow64FsRedirectionDisabler::DefaultSink() { return &Trace; }

CWow64FsRedirectionDisabler::CWow64FsRedirectionDisabler(TraceSink sink) : sink_(sink) {
    if (sink_) sink_(TL_NOTIFY, L"%s: Start", kCtorName);
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
        if (const auto disable = ProcAddress<RedirectionFn>(kernel, "Wow64DisableWow64FsRedirection")) {
            disabled_ = disable(&oldValue_);
            if (sink_)
                sink_(TL_NOTIFY, L"%s: FS WOW64 redirection disabled %s", kCtorName, disabled_ ? L"TRUE" : L"FALSE");
        }
    } else if (sink_) {
        sink_(TL_WARNING, L"%s: Cann't get kernel32.dll handle.", kCtorName);
    }
    if (sink_) sink_(TL_NOTIFY, L"%s: Finish", kCtorName);
}

CWow64FsRedirectionDisabler::~CWow64FsRedirectionDisabler() {
    if (sink_) sink_(TL_NOTIFY, L"%s: Start", kDtorName);
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
        const auto revert = ProcAddress<RevertFn>(kernel, "Wow64RevertWow64FsRedirection");
        if (revert && disabled_) {
            const BOOL reverted = revert(oldValue_);
            if (sink_)
                sink_(TL_NOTIFY, L"%s: FS WOW64 redirection enabled %s", kDtorName, reverted ? L"TRUE" : L"FALSE");
        }
    } else if (sink_) {
        sink_(TL_WARNING, L"%s: Cann't get kernel32.dll handle.", kDtorName);
    }
    if (sink_) sink_(TL_NOTIFY, L"%s: Finish", kDtorName);
}
