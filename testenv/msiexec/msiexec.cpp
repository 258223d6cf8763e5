// Stand-in for the Windows Installer engine, msiexec.exe: records how it was
// started and exits with a chosen code, installing nothing. Like the real
// engine it is a GUI-subsystem program, so starting it opens no console. Placed where the
// patcher's process search finds it before the system's engine.
//
// Files beside this program (all optional):
//   msiexec.exitcode  the exit code to return, in decimal (default 0)
//   msiexec.logdir    a folder for the record instead of this program's own
//   msiexec.tamper    when present, the stand-in also tries to change the
//                     package named after "/update" before it exits, as a
//                     hostile process would, and appends to
//                     "<folder>\msiexec.tamper.log" one line
//                     "TAMPER: read=<e> write=<e> rename=<e> delete=<e>"
//                     with the Windows error of each attempt (0: it worked)
// Each start appends to "<folder>\msiexec.log", in UTF-8:
//   CMD: <the full command line, exactly as received>
//   CWD: <the current folder>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring OwnFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) break;
        path.resize(path.size() * 2);
    }
    std::wstring full = path.data();
    return full.substr(0, full.rfind(L'\\'));
}

// The first line of a small text file, or empty when there is none.
std::string FirstLine(const std::wstring& path) {
    std::string line;
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
        char buffer[1024] = {};
        if (fgets(buffer, sizeof buffer, file)) line = buffer;
        fclose(file);
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::wstring CurrentFolder() {
    std::vector<wchar_t> folder(GetCurrentDirectoryW(0, nullptr) + 1);
    GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    return folder.data();
}

// The path after "/update", without its quotes; empty when there is none.
std::wstring UpdatePackage(const std::wstring& commandLine) {
    const size_t update = commandLine.find(L"/update ");
    if (update == std::wstring::npos) return std::wstring();
    size_t start = update + 8;
    if (start < commandLine.size() && commandLine[start] == L'"') {
        const size_t end = commandLine.find(L'"', start + 1);
        return end == std::wstring::npos ? std::wstring() : commandLine.substr(start + 1, end - start - 1);
    }
    const size_t end = commandLine.find(L' ', start);
    return commandLine.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

unsigned long OpenError(const std::wstring& path, DWORD access, DWORD share) {
    HANDLE file = CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(file);
    return 0;
}

std::string TamperWith(const std::wstring& package) {
    const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const unsigned long read = OpenError(package, GENERIC_READ, FILE_SHARE_READ);
    const unsigned long write = OpenError(package, GENERIC_WRITE, shareAll);
    const std::wstring moved = package + L".moved";
    unsigned long rename = 0;
    if (MoveFileW(package.c_str(), moved.c_str()))
        MoveFileW(moved.c_str(), package.c_str());
    else
        rename = GetLastError();
    // Only tried when the rename failed too, so that nothing is lost if the
    // file was not held.
    unsigned long remove = rename;
    if (rename != 0 && !DeleteFileW(package.c_str())) remove = GetLastError();
    char line[160];
    std::snprintf(line, sizeof line, "TAMPER: read=%lu write=%lu rename=%lu delete=%lu\n", read, write, rename, remove);
    return line;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    const std::wstring own = OwnFolder();
    std::wstring logFolder = Wide(FirstLine(own + L"\\msiexec.logdir"));
    if (logFolder.empty()) logFolder = own;
    const std::string exitText = FirstLine(own + L"\\msiexec.exitcode");
    const unsigned long exitCode = exitText.empty() ? 0 : std::strtoul(exitText.c_str(), nullptr, 10);

    const std::string record = "CMD: " + Utf8(GetCommandLineW()) + "\nCWD: " + Utf8(CurrentFolder()) + "\n";
    FILE* log = _wfopen((logFolder + L"\\msiexec.log").c_str(), L"ab");
    if (!log) return 2;
    fwrite(record.data(), 1, record.size(), log);
    fclose(log);
    if (GetFileAttributesW((own + L"\\msiexec.tamper").c_str()) != INVALID_FILE_ATTRIBUTES) {
        const std::string tamper = TamperWith(UpdatePackage(GetCommandLineW()));
        if (FILE* out = _wfopen((logFolder + L"\\msiexec.tamper.log").c_str(), L"ab")) {
            fwrite(tamper.data(), 1, tamper.size(), out);
            fclose(out);
        }
    }
    return static_cast<int>(exitCode);
}
