// Stand-in for the product service orx.exe: it runs until the TaskManager
// proxy's stop entry signals it (or, as a safety net for tests, until its
// lifetime ends), recording its start and its end in tessel.log.
#include "testenv/standin/Control.h"
#include "testenv/standin/Journal.h"

#include <windows.h>

#include <string>

namespace {
const char kComponent[] = "orx";
const char kStopEventName[] = "ZepStandInOrxStop";
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
    const DWORD lifetime = static_cast<DWORD>(ControlInt("orx", "lifetime_ms", kDefaultLifetimeMs));
    const DWORD waited = WaitForSingleObject(stop, lifetime);
    JournalWrite(kComponent, "end reason=%s", waited == WAIT_OBJECT_0 ? "stop" : "lifetime");
    CloseHandle(stop);
    return 0;
}
