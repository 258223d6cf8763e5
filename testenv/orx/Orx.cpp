// Stand-in for the product service orx.exe: it runs until the TaskManager
// proxy's stop entry signals it (or, as a safety net for tests, until its
// lifetime ends), recording its start and its end in tessel.log.
#include "testenv/standin/Control.h"
#include "testenv/standin/Journal.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {
const char kComponent[] = "orx";
const char kStopEventName[] = "ZepStandInOrxStop";
const char kReadyEventPrefix[] = "ZepStandInOrxReady";
const int kDefaultLifetimeMs = 120000;
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char image[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, image, MAX_PATH);
    std::string name = image;
    name.erase(0, name.find_last_of('\\') + 1);
    JournalWrite(kComponent, "start image=%s args=%s", name.c_str(), commandLine);
    if (ControlInt("orx", "exit_at_once", 0)) {
        JournalWrite(kComponent, "end reason=exit_at_once");
        return 0;
    }
    // Manual reset: one stop request ends every running instance.
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, kStopEventName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) ResetEvent(stop);
    // Tells whoever started this instance that it can be reached now.
    char readyName[64];
    snprintf(readyName, sizeof readyName, "%s-%lu", kReadyEventPrefix, GetCurrentProcessId());
    HANDLE ready = CreateEventA(nullptr, TRUE, TRUE, readyName);
    const DWORD lifetime = static_cast<DWORD>(ControlInt("orx", "lifetime_ms", kDefaultLifetimeMs));
    const DWORD waited = WaitForSingleObject(stop, lifetime);
    if (waited == WAIT_OBJECT_0)
        JournalWrite(kComponent, "end reason=stop");
    else
        JournalWrite(kComponent, "end reason=lifetime wait=0x%lx error=%lu", waited, GetLastError());
    CloseHandle(ready);
    CloseHandle(stop);
    return 0;
}
