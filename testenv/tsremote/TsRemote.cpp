// Stand-in for the product framework's remote-access library tsremote.dll:
// its load and its one export. The variant built without TSGetAPI is the
// library of a product that lacks the export.
#include "testenv/standin/Journal.h"

#include <windows.h>

#ifndef TSREMOTE_WITHOUT_GETAPI
#include "Framework.h"
#endif

namespace {
HMODULE g_self = nullptr;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_self = instance;
        char self[MAX_PATH] = {};
        GetModuleFileNameA(instance, self, MAX_PATH);
#ifdef TSREMOTE_WITHOUT_GETAPI
        JournalWrite("tsremote", "loaded module=%s getapi=no", self);
#else
        JournalWrite("tsremote", "loaded module=%s getapi=yes", self);
#endif
    }
    return TRUE;
}

#ifndef TSREMOTE_WITHOUT_GETAPI
extern "C" __declspec(dllexport) fwResult FW_CALL TSGetAPI(fwEntry* table) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(g_self, self, MAX_PATH);
    return FillApiTable(table, self);
}
#endif
