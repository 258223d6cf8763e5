// Test helper: holds a named mutex or an unshared open file until a stop file
// appears (or a minute has passed), so that tests can meet a busy resource.
//   holder.exe mutex NAME READY STOP
//   holder.exe file  PATH READY STOP
#include <windows.h>

#include <string>

namespace {

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

void Touch(const wchar_t* path) {
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) return 2;
    const std::wstring mode = argv[1];
    HANDLE held = nullptr;
    if (mode == L"mutex") {
        held = CreateMutexW(nullptr, TRUE, argv[2]);
    } else if (mode == L"file") {
        held = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (held == INVALID_HANDLE_VALUE) held = nullptr;
    }
    if (!held) return 3;
    Touch(argv[3]);
    for (int i = 0; i < 600 && !Exists(argv[4]); ++i) Sleep(100);
    CloseHandle(held);
    return 0;
}
