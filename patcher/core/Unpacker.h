#pragma once
// Writes out the patch package that hf41 carries for the running Windows.
#include <string>

class CUnpacker {
public:
    // Writes resource "PATCHDATA" 102 on x64 Windows, 101 otherwise, to the
    // path, replacing an existing file. Throws std::logic_error on failure
    // (a file already created stays).
    void ExtractResourceToFile(const std::wstring& filePath) const;
};
