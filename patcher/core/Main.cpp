// Entry point of the patcher: single-instance check, banner, switches, and
// either the help text or one run of the patch runner.
#include "CmdParser.h"
#include "FixIdentifier.h"
#include "PatchRunner.h"
#include "diagnostics/Console.h"
#include "diagnostics/EventLog.h"
#include "diagnostics/EventMessage.h"
#include "diagnostics/ParentConsole.h"
#include "diagnostics/TraceLog.h"
#include "service/UsingORX.h"
#include "util/DllSearch.h"

#include <windows.h>

#include <boost/shared_ptr.hpp>

#include <exception>
#include <string>

namespace {

const wchar_t kMutexName[] = L"Global\\PATCHER_342DA671-C61E-4fc0-A313-FA0AE83DD7CF";

// The handle is never closed: the mutex is held until the process ends.
bool AnotherPatcherRunning() {
    CreateMutexW(nullptr, FALSE, kMutexName);
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
}

void ShowHelp() {
    COutToParentConsole console;
    ConsolePrint(L"\nZEP patcher parameters:\n");
    ConsolePrint(L"\t[/when now] - apply patch now\n");
    ConsolePrint(L"\t[/when reboot] - apply patch at reboot\n");
    ConsolePrint(L"\tdefaut: /when reboot\n");
    ConsolePrint(L"\t[/showui] - show user interface during installation\n");
    ConsolePrint(L"\t[/uninstall] - uninstall patch\n");
    ConsolePrint(L"Press 'Enter' to return...");
}

int ReportFailure(const char* message, const std::wstring& fixId) {
    Trace(TL_ERROR, L"%S", message);
    ConsolePrint(L"%S", message);
    // The message table first, then the reporter: their trace lines come in
    // that order.
    const std::wstring text = CEventMessage(fixId).GetEventText(kOutcomeInstallFail, {});
    CEventLog::Instance().Report(text, EVENTLOG_ERROR_TYPE);
    return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    // Before any library is loaded at run time.
    RestrictDllSearch();
    if (AnotherPatcherRunning()) {
        Trace(TL_NOTIFY, L"%s: HF or PatchManager already running.", L"PatchAlreadyRunning");
        return 0;
    }
    const std::wstring fixId = kFixIdentifier;
    Trace(TL_NOTIFY, L"Start ZEP Patch %s", fixId.c_str());
    ConsolePrint(L"=== ZEP patcher %s ===\n", fixId.c_str());
    try {
        boost::shared_ptr<CCMDParser> parser(new CCMDParser(commandLine));
        if (parser->IsParamPresent(L"/help") || parser->IsParamPresent(L"/?")) {
            ShowHelp();
            return 0;
        }
        boost::shared_ptr<CUsingORX> link(new CUsingORX(instance));
        link->RegisterSelfInvisible();
        // Declared after the link, so it is destroyed first: Patches.ini is
        // rewritten before the link stops a service this run started.
        CPatchRunner runner(parser, true, fixId);
        runner.RunPrivatePatch(link);
        Trace(TL_NOTIFY, L"Finish ZEP Patch successfully");
        ConsolePrint(L"\nZEP Patch successfully installed.");
        return 0;
    } catch (const std::exception& failure) {
        return ReportFailure(failure.what(), fixId);
    }
}
