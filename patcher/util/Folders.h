#pragma once
// Folders: creating a path with its parents, deleting a tree, and where the
// system keeps temporary files and Windows itself.
#include <string>

// Creates an absolute folder path and its missing parents. 0 when the folder
// exists afterwards (also when it existed before), otherwise a Windows error:
// 87 for a null path, 161 when a missing parent has no backslash to cut at.
unsigned long CreateDirRecurs(const wchar_t* path);

// The account's temporary folder, ending in a backslash; empty on failure.
std::wstring GetTempDirPath();

// Deletes a folder with everything in it through the shell; false (traced)
// when the shell reports a failure, which includes a folder that is absent.
bool DeleteDirRecurs(const std::wstring& path);

// Reads the environment variable "windir" into `out` (left empty when it is
// not set). Returns the runtime library's error number, 0 on success.
int GetWindowsDir(std::wstring& out);
