#include "QuietWow64Redirection.h"

#include <windows.h>

namespace {

template <typename Fn>
Fn Kernel32(const char* name) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

bool RunsUnderWow64() {
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = Kernel32<IsWow64Fn>("IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

CQuietWow64Redirection::CQuietWow64Redirection() {
    if (!RunsUnderWow64()) return;
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    if (const auto disable = Kernel32<DisableFn>("Wow64DisableWow64FsRedirection"))
        disabled_ = disable(&oldValue_) != FALSE;
}

CQuietWow64Redirection::~CQuietWow64Redirection() {
    if (!disabled_) return;
    using RevertFn = BOOL(WINAPI*)(PVOID);
    if (const auto revert = Kernel32<RevertFn>("Wow64RevertWow64FsRedirection")) revert(oldValue_);
}
