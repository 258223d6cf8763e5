#include "cautil.h"

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    switch (dwReason) {
    case DLL_PROCESS_ATTACH:
        CaSetModuleHandle(hInstance);
        break;
    case DLL_PROCESS_DETACH:
        CaSetModuleHandle(nullptr);
        break;
    default:
        break;
    }
    return TRUE;
}
