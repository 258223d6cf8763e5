#include "Journal.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

const wchar_t kEnvironmentKey[] = L"Software\\TorvellanLab\\protected\\ZEP8\\environment";

}  // namespace

std::wstring ProductFolder() {
    wchar_t value[MAX_PATH + 1] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    HKEY key = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironmentKey, 0, KEY_QUERY_VALUE, &key);
    if (result == ERROR_SUCCESS) {
        result = RegQueryValueExW(key, L"ProductRoot", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS || !value[0]) {
        const std::string own = OwnFolder();
        return std::wstring(own.begin(), own.end());
    }
    std::wstring folder = value;
    if (folder.back() != L'\\') folder += L'\\';
    return folder;
}

namespace {

// Appends one line while holding a machine-wide mutex, so that lines of the
// patcher's process, of orx.exe and of the engine never overwrite each other
// (Wine's FILE_APPEND_DATA is not an atomic append across processes); retries
// while another program holds the file for its open.
void Append(const std::string& line) {
    const std::wstring path = ProductFolder() + L"tessel.log";
    HANDLE lock = CreateMutexW(nullptr, FALSE, L"Global\\zep-standin-journal");
    const bool locked = lock && WaitForSingleObject(lock, 10000) != WAIT_TIMEOUT;
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            SetFilePointer(file, 0, nullptr, FILE_END);
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            break;
        }
        Sleep(20);
    }
    if (locked) ReleaseMutex(lock);
    if (lock) CloseHandle(lock);
}

}  // namespace

std::string OwnFolder() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const char*>(&OwnFolder), &self);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(self, path, MAX_PATH);
    std::string folder = path;
    folder.erase(folder.find_last_of('\\') + 1);
    return folder;
}

void JournalWrite(const char* component, const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    char line[1200];
    snprintf(line, sizeof line, "%s[%lu] %s\r\n", component, GetCurrentProcessId(), text);
    Append(line);
}
