#include "ParentConsole.h"

#include "TraceLog.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

namespace {
const wchar_t kName[] = L"COutToParentConsole::COutToParentConsole";
}

COutToParentConsole::COutToParentConsole() {
    attached_ = AttachConsole(ATTACH_PARENT_PROCESS);
    if (attached_) {
        descriptor_ = _open_osfhandle(reinterpret_cast<intptr_t>(GetStdHandle(STD_OUTPUT_HANDLE)), _O_TEXT);
        if (descriptor_ > 0) {
            if (FILE* console = _wfdopen(descriptor_, L"w")) {
                *stdout = *console;
                setvbuf(stdout, nullptr, _IONBF, 0);
            } else {
                Trace(TL_WARNING, L"%s: Cann't open 'stdout'.", kName);
            }
        }
        Trace(TL_NOTIFY, L"%s: Success attach to parent console.", kName);
        return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED)
        Trace(TL_NOTIFY, L"%s: Parent console already used.", kName);
    else
        Trace(TL_WARNING, L"%s: Cann't attach to parent console. Error code: %d", kName, static_cast<int>(error));
}

COutToParentConsole::~COutToParentConsole() {
    if (descriptor_ > 0) _close(descriptor_);
    if (attached_) FreeConsole();
}
