#pragma once
// The file functions the signature check reads files with. The program uses
// the system's own; tests pass wrappers that count or fail calls.
#include <windows.h>

struct FileReadApi {
    HANDLE(WINAPI* createFile)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) = CreateFileW;
    DWORD(WINAPI* setFilePointer)(HANDLE, LONG, PLONG, DWORD) = SetFilePointer;
    BOOL(WINAPI* readFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) = ReadFile;
};
