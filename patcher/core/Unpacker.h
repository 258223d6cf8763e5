#pragma once
// Writes out the patch package that hf41 carries for the running Windows.
#include "util/UniqueHandle.h"

#include <string>

class CUnpacker {
public:
    // Writes resource "PATCHDATA" 102 on x64 Windows, 101 otherwise, to the
    // path, replacing an existing file. Throws std::logic_error on failure
    // (a file already created stays).
    //
    // Returns the written file held open for reading with read sharing only:
    // while the handle lives no process can write, rename or delete the file,
    // so what is checked through it is what the installer reads. The reopen
    // fails (sharing violation) if anyone opened the file for writing or
    // deleting in the moment between the write and the reopen.
    [[nodiscard]] UniqueFileHandle ExtractResourceToFile(const std::wstring& filePath) const;
};
