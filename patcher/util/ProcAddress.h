#pragma once
// A function of a loaded module, by name or ordinal (MAKEINTRESOURCEA), as
// the function type the caller names; null when the module or the function
// is missing.
#include <windows.h>

template <typename Fn>
Fn ProcAddress(HMODULE module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// For functions that only newer versions of kernel32.dll have.
template <typename Fn>
Fn Kernel32Function(const char* name) {
    return ProcAddress<Fn>(GetModuleHandleW(L"kernel32.dll"), name);
}
