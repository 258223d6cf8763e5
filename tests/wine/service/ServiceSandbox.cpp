#include "ServiceSandbox.h"

#include "EnvironmentKey.h"
#include "ScratchFolder.h"
#include "TestText.h"

#include "util/ProductEnvironment.h"
#include "util/UniqueHandle.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

const wchar_t kProductFolder[] = L"C:\\Program Files\\Torvellan\\ZEP 8\\";
const wchar_t kTraceFolder[] = L"C:\\ZepTrace\\";

namespace {

const char kStopEventName[] = "ZepStandInOrxStop";

std::wstring InProduct(const wchar_t* name) { return std::wstring(kProductFolder) + name; }

}  // namespace

void PrepareProduct() {
    CreateFolders(kProductFolder);
    CreateFolders(kTraceFolder);
    SetEnvironmentValue(kProductRootValue, kProductFolder);
    SetEnvironmentValue(kTraceRootValue, kTraceFolder);
    CopyFileW(HostFileFromEnvironment("ZEP_TSREMOTE_DLL").c_str(), InProduct(L"tsremote.dll").c_str(), FALSE);
    CopyFileW(HostFileFromEnvironment("ZEP_TSSTUB_TSM").c_str(), InProduct(L"tsstub.tsm").c_str(), FALSE);
    CopyFileW(HostFileFromEnvironment("ZEP_ORX_EXE").c_str(), InProduct(L"orx.exe").c_str(), FALSE);
}

void ResetStandIns(const std::string& control) {
    DeleteFileW(InProduct(L"tessel.ini").c_str());
    DeleteFileW(InProduct(L"tessel.log").c_str());
    if (control.empty()) return;
    std::ofstream(InProduct(L"tessel.ini").c_str(), std::ios::binary) << control;
}

std::vector<std::string> Journal() {
    std::ifstream in(InProduct(L"tessel.log").c_str(), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void StartService(const std::wstring& image) {
    std::wstring commandLine = L"\"" + image + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(image.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return;
    CloseHandle(process.hThread);
    UniqueKernelHandle owned(process.hProcess);
    char readyName[64];
    snprintf(readyName, sizeof readyName, "ZepStandInOrxReady-%lu", process.dwProcessId);
    for (int step = 0; step < 500; ++step) {
        if (HANDLE ready = OpenEventA(SYNCHRONIZE, FALSE, readyName)) {
            CloseHandle(ready);
            return;
        }
        if (WaitForSingleObject(owned.get(), 20) == WAIT_OBJECT_0) return;
    }
}

bool ProcessRunning(const wchar_t* exeName) {
    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (_wcsicmp(entry.szExeFile, exeName) == 0) return true;
    return false;
}

void StopServices() {
    if (HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, kStopEventName)) {
        SetEvent(event);
        CloseHandle(event);
    }
    for (int step = 0; step < 500 && ProcessRunning(L"orx.exe"); ++step) Sleep(20);
}
