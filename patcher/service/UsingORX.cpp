#include "UsingORX.h"

#include "OrxProcess.h"
#include "ServiceMessages.h"
#include "SyncRequest.h"
#include "TaskManagerLink.h"
#include "TesselRemote.h"
#include "diagnostics/TraceLog.h"
#include "util/DllSearch.h"
#include "util/ErrorText.h"
#include "util/ProductEnvironment.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace {

const wchar_t kConstructor[] = L"CUsingORX::CUsingORX";
const wchar_t kDestructor[] = L"CUsingORX::~CUsingORX";
const wchar_t kStopIfNeed[] = L"CUsingORX::StopORXIfNeed";
const wchar_t kWait[] = L"CUsingORX::WaitORX";
const wchar_t kRegister[] = L"CUsingORX::RegisterSelfInvisible";
const wchar_t kReboot[] = L"CUsingORX::SetStatusNeedRebootOS";

const int kConnectTries = 3;
const DWORD kRetryWaitMs = 5000;
const int kServiceStartCalls = 3;
const int kServiceWaitSteps = 30;
const DWORD kServiceWaitStepMs = 1000;

unsigned Hex(tsResult result) { return static_cast<unsigned>(result); }

}  // namespace

// The instance handle is not needed: the framework comes from the product
// folder, not from beside the program.
CUsingORX::CUsingORX(HINSTANCE, WaitFunction wait) : startedService_(false), connectFailed_(false), wait_(wait) {
    Connect();
}

CUsingORX::~CUsingORX() {
    StopORXIfNeed();
    Trace(TL_NOTIFY, L"%s: Free Tessel.", kDestructor);
    link_.reset();
    connection_.reset();
}

void CUsingORX::Connect() {
    const std::wstring productFolder = EnterProductFolder();
    connection_.reset(new CTesselRemote);
    connection_->Load(productFolder);
    for (int attempt = 1;; ++attempt) {
        Trace(TL_NOTIFY, L"%s: the %d try.", kConstructor, attempt);
        try {
            EnsureServiceRuns();
            link_.reset(new CTaskManagerLink(*connection_));
            LoadProxyStub();
            AttachTaskManager();
            Trace(TL_NOTIFY, L"%s: SUCCESS.", kConstructor);
            return;
        } catch (const std::logic_error&) {
            StopORXIfNeed();
            connectFailed_ = false;
            link_.reset();
            if (attempt == kConnectTries) {
                Trace(TL_NOTIFY, L"%s: Free Tessel.", kConstructor);
                connection_.reset();
                throw;
            }
            Trace(TL_NOTIFY, L"%s: Wait before next try.", kConstructor);
            wait_(kRetryWaitMs);
        }
    }
}

std::wstring CUsingORX::EnterProductFolder() {
    std::vector<wchar_t> folder;
    const DWORD error = ReadProductEnvironmentValue(kProductRootValue, folder);
    ThrowIfFailed(error, kConstructor);
    Trace(TL_NOTIFY, L"%s: ProductFolder: %s", kConstructor, folder.data());
    if (!SetCurrentDirectoryW(folder.data())) ThrowWindowsError(GetLastError(), kConstructor);
    // The framework loads its proxy-stub module by name; the search no longer
    // includes the current folder, so the product folder is named to it.
    AllowDllFolder(folder.data());
    return folder.data();
}

void CUsingORX::EnsureServiceRuns() {
    // Without an API table there is nothing to start the service with (the
    // try then fails at the proxy stub with the framework status), but
    // whether it runs needs no framework. Nobody could start it, so there is
    // nothing to wait for either.
    if (!connection_->HasApi()) {
        if (IsOrxProcessRunning()) {
            Trace(TL_NOTIFY, L"%s: ORX running.", kConstructor);
            return;
        }
        Trace(TL_WARNING, L"%s: no framework API (status 0x%x), ORX service not checked.", kConstructor,
              Hex(connection_->Status()));
        return;
    }
    if (WaitORX()) {
        Trace(TL_NOTIFY, L"%s: ORX running.", kConstructor);
        return;
    }
    Trace(TL_NOTIFY, L"%s: ORX not running.", kConstructor);
    Trace(TL_NOTIFY, L"%s: Start ORX service.", kConstructor);
    for (int call = 0; call < kServiceStartCalls; ++call) {
        const tsResult result = connection_->StartService();
        Trace(TL_NOTIFY, L"cORX::Start: CreateProcess -s returned: 0x%x", Hex(result));
        if (!TsFailed(result)) break;
    }
    if (!WaitORX()) ThrowFixedText(kConstructor, ": Cann't start ORX service.");
    startedService_ = true;
}

void CUsingORX::LoadProxyStub() {
    tsResult result = connection_->Status();
    if (!TsFailed(result)) result = connection_->LoadProxyStub();
    if (!TsFailed(result)) return;
    Trace(TL_ERROR, L"%s: LoadProxyStub error 0x%x.", kConstructor, Hex(result));
    connectFailed_ = true;
    ThrowFixedText(kConstructor, ": LoadProxyStub error.");
}

void CUsingORX::AttachTaskManager() {
    if (link_->Attach()) return;
    Trace(TL_WARNING, L"%s: cannot attach TM proxy.", kConstructor);
    connectFailed_ = true;
    ThrowFixedText(kConstructor, ": cannot attach proxy.");
}

bool CUsingORX::WaitORX() {
    for (int step = 0; step < kServiceWaitSteps; ++step) {
        if (IsOrxProcessRunning()) return true;
        Trace(TL_NOTIFY, L"%s: Wait ORX service...", kWait);
        wait_(kServiceWaitStepMs);
    }
    return false;
}

void CUsingORX::StopORXIfNeed() {
    if (!startedService_ && !connectFailed_) return;
    Trace(TL_NOTIFY, L"%s: Stop ORX service.", kStopIfNeed);
    if (link_ && link_->Proxy() && link_->Recheck()) link_->StopService();
}

bool CUsingORX::HasTaskManager() const { return connection_ && link_ && link_->Proxy(); }

void CUsingORX::Send(const wchar_t* operation, uint32_t messageClass, uint32_t messageId,
                     void* buffer, uint32_t* size) {
    const tsResult result = link_->SendMsg(messageClass, messageId, buffer, size);
    if (!TsFailed(result)) return;
    Trace(TL_ERROR, L"%s: tsSendMsg error 0x%x.", operation, Hex(result));
    ThrowFixedText(operation, ": tsSendMsg error.");
}

void CUsingORX::RegisterSelfInvisible() {
    Trace(TL_NOTIFY, L"%s: START", kRegister);
    if (!HasTaskManager()) {
        Trace(TL_IMPORTANT, L"%s: no Tessel. Nothing to do.", kRegister);
        return;
    }
    cSyncRequest request(GetCurrentProcessId());
    Send(kRegister, kMsgClassProcess, kMsgRegisterInvisible, static_cast<cSerialRecord*>(&request),
         SerializedRecordSize());
    Trace(TL_NOTIFY, L"%s: SUCCESS", kRegister);
}

void CUsingORX::SetStatusNeedRebootOS() {
    Trace(TL_NOTIFY, L"%s: START", kReboot);
    if (!HasTaskManager()) {
        Trace(TL_IMPORTANT, L"%s: no Tessel. Nothing to do.", kReboot);
        return;
    }
    Trace(TL_NOTIFY, L"%s: Before create task OS reboot request.", kReboot);
    Send(kReboot, kMsgClassRebootRequest, kMsgRebootRequest, nullptr, nullptr);
    Trace(TL_NOTIFY, L"%s: Before send message about change product state.", kReboot);
    Send(kReboot, kMsgClassProductState, kMsgProductStateChanged, nullptr, nullptr);
    Trace(TL_NOTIFY, L"%s: SUCCESS", kReboot);
}
