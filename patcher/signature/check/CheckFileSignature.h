#pragma once
// The package signature check: true when the file's signed trailer verifies
// against the key registries found in keyFolder.
#include <string>

bool CheckFileSignature(const std::wstring& keyFolder, const std::wstring& filePath);
