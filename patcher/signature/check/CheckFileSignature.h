#pragma once
// The package signature check: true when the file's signed trailer verifies
// against the key registries found in keyFolder.
#include <string>

// With heldFile (a handle open for reading) the file's bytes are read through
// that handle instead of a new open of the path; the path still names the file
// in the trace and to the library.
bool CheckFileSignature(const std::wstring& keyFolder, const std::wstring& filePath, void* heldFile = nullptr);
