#include "DllSearch.h"

#include "ProcAddress.h"

#include <windows.h>

#include <vector>

namespace {

// Not in every kernel32: looked up so that the program still starts without it.
const DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
const DWORD kSearchUserDirs = 0x00000400;  // LOAD_LIBRARY_SEARCH_USER_DIRS

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using AddDllDirectoryFn = void*(WINAPI*)(PCWSTR);

}  // namespace

std::wstring SystemFilePath(const wchar_t* fileName) {
    std::vector<wchar_t> folder(MAX_PATH);
    UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length >= folder.size()) {
        folder.resize(length + 1);
        length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    }
    if (length == 0 || length >= folder.size()) return std::wstring();
    std::wstring path(folder.data(), length);
    if (path.back() != L'\\') path += L'\\';
    return path + fileName;
}

void RestrictDllSearch() {
    const auto setDefault = Kernel32Function<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
    if (setDefault && setDefault(kSearchSystem32 | kSearchUserDirs)) return;
    SetDllDirectoryW(L"");
}

void AllowDllFolder(const std::wstring& folder) {
    if (folder.empty()) return;
    if (const auto addFolder = Kernel32Function<AddDllDirectoryFn>("AddDllDirectory")) {
        addFolder(folder.c_str());
        return;
    }
    // Without the newer calls the one extra folder takes the place the
    // current folder had in the search.
    SetDllDirectoryW(folder.c_str());
}
