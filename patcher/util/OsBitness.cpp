#include "OsBitness.h"

#include "ProcAddress.h"
#include "diagnostics/TraceLog.h"

#include <windows.h>

bool IsOSx64() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        Trace(TL_WARNING, L"%s: fail to get OSVERSIONINFOEX", L"IsOSx64");
        version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
            Trace(TL_ERROR, L"%s: fail to get OSVERSIONINFO", L"IsOSx64");
            return false;
        }
    }
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return false;

    // Looked up at run time so that the program starts where it is missing.
    using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
    const auto getNativeSystemInfo = Kernel32Function<GetNativeSystemInfoFn>("GetNativeSystemInfo");
    if (!getNativeSystemInfo) return false;
    SYSTEM_INFO info{};
    getNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}
