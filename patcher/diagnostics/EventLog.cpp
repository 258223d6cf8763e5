#include "EventLog.h"

#include "TraceLog.h"
#include "util/ErrorText.h"
#include "util/ProductEnvironment.h"
#include "util/Registry.h"
#include "util/UniqueHandle.h"

#include <windows.h>

#include <vector>

namespace {

const wchar_t kEventLogKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\";
const wchar_t kProductLog[] = L"Torvellan Event Log\\";
const wchar_t kMessageFileValue[] = L"EventMessageFile";
const wchar_t kMessageModule[] = L"\\bl.tsm";

const uint32_t kErrorEventId = 0xC0021234;
const uint32_t kWarningEventId = 0x80021236;
const uint32_t kInformationEventId = 0x40021237;

}  // namespace

uint32_t EventIdForType(uint16_t type) {
    switch (type) {
    case EVENTLOG_ERROR_TYPE:
    case EVENTLOG_AUDIT_FAILURE: return kErrorEventId;
    case EVENTLOG_WARNING_TYPE: return kWarningEventId;
    default: return kInformationEventId;
    }
}

CEventLog& CEventLog::Instance() {
    static CEventLog* log = new CEventLog;
    return *log;
}

CEventLog::CEventLog() : registered_(false), sourceName_(L"zep") {
    const std::wstring sourceKey = std::wstring(kEventLogKey) + kProductLog + sourceName_;
    std::vector<wchar_t> productRoot;
    DWORD error = ReadProductEnvironmentValue(kProductRootValue, productRoot);
    if (error != ERROR_SUCCESS) {
        TraceWindowsError(TL_ERROR, error, L"CEventLog::CEventLogRegQueryStrValue");
        return;
    }
    // The folder as stored, the module name appended directly.
    const std::wstring messageFile = std::wstring(productRoot.data()) + kMessageModule;
    {
        UniqueHKey key;
        error = CreateRegKey(HKEY_LOCAL_MACHINE, sourceKey.c_str(), KEY_WRITE, key);
        if (error == ERROR_SUCCESS) error = SetRegString(key.get(), kMessageFileValue, messageFile, REG_EXPAND_SZ);
    }
    if (error != ERROR_SUCCESS) {
        TraceWindowsError(TL_ERROR, error, L"CEventLog::CEventLogRegSetValueEx");
        return;
    }
    registered_ = true;
}

void CEventLog::Report(const std::wstring& message, uint16_t type) const {
    if (!registered_) {
        Trace(TL_ERROR, L"%s: Message provider not registered", L"CEventLog::Report");
        return;
    }
    UniqueEventSource source(RegisterEventSourceW(nullptr, sourceName_.c_str()));
    if (!source) {
        const DWORD error = GetLastError();
        TraceWindowsError(TL_ERROR, error, L"CEventLog::ReportRegisterEventSource");
        return;
    }
    const wchar_t* strings[] = {message.c_str()};
    ReportEventW(source.get(), type, 0, EventIdForType(type), nullptr, 1, 0, strings, nullptr);
}
