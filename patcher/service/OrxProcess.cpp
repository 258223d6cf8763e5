#include "OrxProcess.h"

#include "util/UniqueHandle.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>

namespace {
const wchar_t kServiceImage[] = L"orx.exe";
}

bool IsOrxProcessRunning() {
    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (std::wcscmp(entry.szExeFile, kServiceImage) == 0) return true;
    }
    return false;
}
