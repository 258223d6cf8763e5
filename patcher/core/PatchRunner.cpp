#include "PatchRunner.h"

#include "FixIdentifier.h"

#include "MsiexecCommandLine.h"
#include "PrivatePatchGuid.h"
#include "Unpacker.h"
#include "diagnostics/Console.h"
#include "diagnostics/EventLog.h"
#include "diagnostics/TraceLog.h"
#include "service/UsingORX.h"
#include "signature/check/CheckFileSignature.h"
#include "state/LegacyFixActions.h"
#include "state/PatchManager.h"
#include "state/ShutdownScript.h"
#include "util/DllSearch.h"
#include "util/ErrorText.h"
#include "util/Folders.h"
#include "util/ModulePath.h"
#include "util/ProductEnvironment.h"
#include "util/Process.h"
#include "util/Registry.h"
#include "util/UniqueHandle.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

namespace {

const wchar_t kProductFolderName[] = L"GetProductFolder";
const wchar_t kRunner[] = L"CPatchRunner::CPatchRunner";
const wchar_t kRun[] = L"CPatchRunner::RunPrivatePatch";
const wchar_t kCreateScript[] = L"CPatchRunner::CreateShutdownScript";
const wchar_t kApply[] = L"CPatchRunner::ApplyPrivatePachesNow";
const wchar_t kUninstall[] = L"CPatchRunner::UninstallPrivatePachesNow";

}  // namespace

std::wstring GetProductFolder() {
    std::vector<wchar_t> buffer;
    ThrowIfFailed(ReadProductEnvironmentValue(kProductRootValue, buffer), kProductFolderName);
    std::wstring folder(buffer.data());
    if (folder.empty() || (folder.back() != L'\\' && folder.back() != L'/')) folder += L'\\';
    return folder;
}

CPatchRunner::CPatchRunner(boost::shared_ptr<CCMDParser> parser, bool verifyPackages,
                           const std::wstring& fixIdentifier)
    : parser_(parser),
      verifyPackages_(verifyPackages),
      modulePath_(GetModuleFilePath()),
      messages_(fixIdentifier),
      fixIdentifier_(fixIdentifier) {
    productFolder_ = GetProductFolder();
    patchesFolder_ = productFolder_ + L"Patches";
    Trace(TL_NOTIFY, L"%s: Create %s folder for patches.", kRunner, patchesFolder_.c_str());
    const unsigned long created = CreateDirRecurs(patchesFolder_.c_str());
    ThrowIfFailed(created, kRunner);
    stateFilePath_ = patchesFolder_ + L"\\Patches.ini";
    patchManager_.reset(new CPatchManager(productFolder_, patchesFolder_, stateFilePath_, verifyPackages_));
    Trace(TL_NOTIFY, L"%s: Created.", kRunner);
}

CPatchRunner::~CPatchRunner() = default;

std::wstring CPatchRunner::GetPrivatePatchGUID() const {
    return ReadPrivatePatchGUID(productFolder_, verifyPackages_);
}

bool CPatchRunner::IsFixApplied() const { return patchManager_->IsPatchInstalled(GetPrivatePatchGUID()); }

void CPatchRunner::RunPrivatePatch(boost::shared_ptr<CUsingORX> link) {
    std::wstring when;
    if (parser_->IsParamPresent(L"/when")) when = parser_->GetWhenValue();

    // Before anything else, so a copy run at shutdown runs only once even
    // when the rest of its command line is refused.
    if (parser_->IsParamPresent(L"/clean")) CShutdownScript(modulePath_.c_str()).Delete();

    const bool uninstall = parser_->IsParamPresent(L"/uninstall");
    if (when == L"now") {
        if (!uninstall) {
            CEventLog::Instance().Report(messages_.GetEventText(kOutcomePrepare), EVENTLOG_INFORMATION_TYPE);
            ConsolePrint(L"%s.", L"Preparing for installation of patches");
            ApplyPrivatePachesNow();
            ApplyHf27Actions(fixIdentifier_);
        } else {
            UninstallPrivatePachesNow();
            RollbackHf27Actions(fixIdentifier_);
        }
        return;
    }
    if (when != L"reboot" && !when.empty()) {
        Trace(TL_ERROR, L"%s: %s", kRun, GetCommandLineW());
        ThrowFixedText(kRun, ": value of parameter /when");
    }
    if (uninstall && !IsFixApplied()) {
        Trace(TL_NOTIFY, L"%s: Need not do anything.", kRun);
        return;
    }

    const std::wstring privateFolder = patchesFolder_ + L"\\Private";
    const unsigned long created = CreateDirRecurs(privateFolder.c_str());
    ThrowIfFailed(created, kRun);
    const std::wstring copyPath = privateFolder + L"\\" + GetModuleFileNameOnly();
    if (!CopyFileW(modulePath_.c_str(), copyPath.c_str(), FALSE))
        ThrowWindowsError(GetLastError(), kRun);
    Trace(TL_NOTIFY, L"%s: %s", kRun, copyPath.c_str());
    CreateShutdownScript(copyPath);
    if (uninstall) {
        Trace(TL_NOTIFY, L"%s: Patches will be uninstalled when the operating system restarts.", kRun);
    } else {
        CEventLog::Instance().Report(messages_.GetEventText(kOutcomeAtRestart), EVENTLOG_INFORMATION_TYPE);
        ConsolePrint(L"%s.", L"Patches will be installed when the operating system restarts");
    }
    link->SetStatusNeedRebootOS();
}

void CPatchRunner::CreateShutdownScript(const std::wstring& scriptPath) {
    Trace(TL_NOTIFY, L"%s: Start", kCreateScript);
    const CCMDParser::SwitchMap switches = parser_->Switches();
    std::wstring parameters;
    if (switches.find(L"/when") == switches.end()) parameters = L"/when now ";
    for (const auto& entry : switches) {
        if (entry.first == L"/when")
            parameters += L"/when now ";
        else
            parameters += entry.first + L" " + entry.second + L" ";
    }
    parameters += L"/clean ";
    Trace(TL_NOTIFY, L"%s: Module path: %s", kCreateScript, scriptPath.c_str());
    CShutdownScript script(scriptPath.c_str());
    Trace(TL_NOTIFY, L"%s: Parameters: %s", kCreateScript, parameters.c_str());
    script.Create(parameters.c_str());
    Trace(TL_NOTIFY, L"%s: Finish", kCreateScript);
}

void CPatchRunner::RunMsiexec(const std::wstring& commandLine, const wchar_t* operation,
                              const wchar_t* successFormat) const {
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    Trace(TL_NOTIFY, L"%s: Run msiexec. CMD: %s", operation, commandLine.c_str());
    // Named by its full path: a search would take a program of that name
    // from the patcher's folder or the current folder first.
    const std::wstring engine = SystemFilePath(L"msiexec.exe");
    if (engine.empty()) ThrowWindowsError(GetLastError(), operation);
    // Owned, so that a failing engine does not leak the handles.
    UniqueProcessInformation engineProcess;
    ThrowIfFailed(CrtProc(engine.c_str(), writable.data(), patchesFolder_.c_str(), *engineProcess.put()), operation);
    WaitForSingleObject(engineProcess.process(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(engineProcess.process(), &exitCode);
    if (exitCode != ERROR_SUCCESS && exitCode != ERROR_SUCCESS_REBOOT_INITIATED &&
        exitCode != ERROR_SUCCESS_REBOOT_REQUIRED)
        ThrowWindowsError(exitCode, operation);
    Trace(TL_NOTIFY, successFormat, operation);
}

void CPatchRunner::ApplyPrivatePachesNow() {
    const std::wstring package = patchesFolder_ + L"\\" + kPackageFileName;
    // Held until the engine has ended: the package checked is the package installed.
    const UniqueFileHandle held = CUnpacker().ExtractResourceToFile(package);
    if (verifyPackages_ && !CheckFileSignature(productFolder_, package, held.get())) {
        Trace(TL_ERROR, L"%s: MSP-patch not signed.", kApply);
        ThrowFixedText(kApply, " invalid MSP signature.");
    }
    const std::wstring commandLine =
        BuildApplyCommandLine({package}, parser_->IsParamPresent(L"/showui"), GetTraceRoot());
    RunMsiexec(commandLine, kApply, L"%s: Patches applied");
    CEventLog::Instance().Report(messages_.GetEventText(kOutcomeInstallSuccess), EVENTLOG_INFORMATION_TYPE);
    ConsolePrint(L"%s.", L"Patches installed successfully");
}

void CPatchRunner::UninstallPrivatePachesNow() {
    const std::wstring guid = GetPrivatePatchGUID();
    if (!patchManager_->IsPatchInstalled(guid)) {
        Trace(TL_NOTIFY, L"%s: Patch not installed. Nothing to uninstall.", kUninstall);
    } else {
        const std::wstring commandLine = BuildUninstallCommandLine(
            {guid}, patchManager_->GetProductCode(), parser_->IsParamPresent(L"/showui"), GetTraceRoot());
        RunMsiexec(commandLine, kUninstall, L"%s: Patches uninstalled");
    }
    Trace(TL_NOTIFY, L"%s: SUCCESS", kUninstall);
}
