#include "Wow64FsRedirectionDisabler.h"

#include "diagnostics/TraceLog.h"

#include <windows.h>

namespace {

const wchar_t kCtorName[] = L"CWow64FsRedirectionDisabler::CWow64FsRedirectionDisabler";
const wchar_t kDtorName[] = L"CWow64FsRedirectionDisabler::~CWow64FsRedirectionDisabler";

using RedirectionFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

template <typename Fn>
Fn LookUp(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

CWow64FsRedirectionDisabler::CWow64FsRedirectionDisabler() {
    Trace(TL_NOTIFY, L"%s: Start", kCtorName);
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
        if (const auto disable = LookUp<RedirectionFn>(kernel, "Wow64DisableWow64FsRedirection")) {
            disabled_ = disable(&oldValue_);
            Trace(TL_NOTIFY, L"%s: FS WOW64 redirection disabled %s", kCtorName, disabled_ ? L"TRUE" : L"FALSE");
        }
    } else {
        Trace(TL_WARNING, L"%s: Cann't get kernel32.dll handle.", kCtorName);
    }
    Trace(TL_NOTIFY, L"%s: Finish", kCtorName);
}

CWow64FsRedirectionDisabler::~CWow64FsRedirectionDisabler() {
    Trace(TL_NOTIFY, L"%s: Start", kDtorName);
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
        const auto revert = LookUp<RevertFn>(kernel, "Wow64RevertWow64FsRedirection");
        if (revert && disabled_) {
            const BOOL reverted = revert(oldValue_);
            Trace(TL_NOTIFY, L"%s: FS WOW64 redirection enabled %s", kDtorName, reverted ? L"TRUE" : L"FALSE");
        }
    } else {
        Trace(TL_WARNING, L"%s: Cann't get kernel32.dll handle.", kDtorName);
    }
    Trace(TL_NOTIFY, L"%s: Finish", kDtorName);
}
