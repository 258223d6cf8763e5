#include "ModulePath.h"

#include <windows.h>

#include <vector>

std::wstring GetModuleFilePath() {
    std::vector<wchar_t> buffer;
    DWORD length = 0;
    // A completely filled buffer is the system's sign of a cut path.
    do {
        buffer.assign(buffer.size() + MAX_PATH, L'\0');
        length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    } while (length == buffer.size());
    return std::wstring(buffer.data(), length);
}

std::wstring GetModuleFileNameOnly() {
    const std::wstring path = GetModuleFilePath();
    const size_t cut = path.rfind(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(cut + 1);
}
