#include "MsiexecCommandLine.h"

namespace {

const wchar_t kEngine[] = L"msiexec.exe";
const wchar_t kQuiet[] = L" /qn";
const wchar_t kVerboseLog[] = L" /lv+* ";
const wchar_t kLogName[] = L"ZEPPatchMSI.log";
const wchar_t kInstallOnReboot[] = L" INSTALLONREBOOT=1";

// The engine appends to one log in the trace folder; an empty folder leaves
// the bare name, which resolves against the engine's working folder.
std::wstring QuotedLogPath(const std::wstring& traceRoot) { return L"\"" + traceRoot + kLogName + L"\""; }

// Items joined by ";" (msiexec's list separator for packages and patch codes).
std::wstring JoinList(const std::vector<std::wstring>& items) {
    std::wstring list;
    for (const std::wstring& item : items) {
        list += item;
        list += L';';
    }
    if (!list.empty()) list.pop_back();
    return list;
}

}  // namespace

std::wstring BuildApplyCommandLine(const std::vector<std::wstring>& packagePaths, bool showUi,
                                   const std::wstring& traceRoot) {
    std::wstring line = kEngine;
    if (!showUi) line += kQuiet;
    line += kVerboseLog;
    line += QuotedLogPath(traceRoot);
    line += L" /update \"";
    line += JoinList(packagePaths);
    line += L"\"";
    line += kInstallOnReboot;
    return line;
}

std::wstring BuildUninstallCommandLine(const std::vector<std::wstring>& patchGuids, const std::wstring& productCode,
                                       bool showUi, const std::wstring& traceRoot) {
    std::wstring line = kEngine;
    line += L" /package ";
    line += productCode;
    line += L" /uninstall ";
    line += JoinList(patchGuids);
    line += kVerboseLog;
    line += QuotedLogPath(traceRoot);
    if (!showUi) line += kQuiet;
    line += kInstallOnReboot;
    return line;
}
