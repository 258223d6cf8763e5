#pragma once
// The patch packages (*.msp files) lying directly in a folder.
#include <string>
#include <vector>

// Appends the file names (no folder) in the order the file system returns
// them; folders and reparse points are skipped. With checkSignatures, a file
// is listed only when CheckFileSignature(keyFolder, folder\name) accepts it.
void FindPatchPackages(const std::wstring& folder, std::vector<std::wstring>& names, const std::wstring& keyFolder,
                       bool checkSignatures);
