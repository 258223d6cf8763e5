#include "Folders.h"

#include "ErrorText.h"
#include "diagnostics/TraceLog.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <vector>

namespace {

const wchar_t kCreateDirName[] = L"CreateDirRecurs";

// The long-path form lets paths pass MAX_PATH; it requires an absolute path
// and takes every character literally, so slashes become backslashes first
// (a product folder may be written with a trailing slash).
bool CreateOneDirectory(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr) != FALSE;
}

}  // namespace

unsigned long CreateDirRecurs(const wchar_t* path) {
    if (!path) return ERROR_INVALID_PARAMETER;
    const std::wstring folder(path);
    if (CreateOneDirectory(folder)) return ERROR_SUCCESS;
    DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND) {
        const size_t cut = folder.rfind(L'\\');
        if (cut == std::wstring::npos) {
            Trace(TL_ERROR, L"%s: incorrect path %s", kCreateDirName, path);
            error = ERROR_BAD_PATHNAME;
        } else {
            error = CreateDirRecurs(folder.substr(0, cut).c_str());
            if (error == ERROR_SUCCESS && !CreateOneDirectory(folder)) {
                error = GetLastError();
                TraceWindowsError(TL_ERROR, error, kCreateDirName);
            }
        }
    }
    return error == ERROR_ALREADY_EXISTS ? ERROR_SUCCESS : error;
}

std::wstring GetTempDirPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    // A result above the buffer size is the size needed, terminator included.
    while (length > buffer.size()) {
        buffer.assign(length + 1, L'\0');
        length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (length == 0) {
        TraceWindowsError(TL_ERROR, GetLastError(), L"GetTempDirPath");
        return std::wstring();
    }
    return std::wstring(buffer.data(), length);
}

bool DeleteDirRecurs(const std::wstring& path) {
    // The shell takes a list of paths ended by an empty one.
    std::wstring list = path;
    list.push_back(L'\0');
    list.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.c_str();
    operation.pTo = nullptr;
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    if (SHFileOperationW(&operation) != 0) {
        Trace(TL_ERROR, L"%s: Cann't delete directory %s", L"DeleteDirRecurs", path.c_str());
        return false;
    }
    return true;
}

int GetWindowsDir(std::wstring& out) {
    // The runtime's plain reader: its secure variant is missing from the
    // msvcrt.dll of Windows XP and Server 2003. A missing variable is not an
    // error.
    const wchar_t* value = _wgetenv(L"windir");
    if (value != nullptr) out = value;
    return 0;
}
