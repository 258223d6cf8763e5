#pragma once
// The stand-ins' shared log: <product folder>\tessel.log, one line per call
// or message received, "<component>[<pid>] <entry> <details>".
#include <string>

// Appends one line; the folder is ProductRoot of the product environment key
// (the module's own folder when that cannot be read).
void JournalWrite(const char* component, const char* format, ...);

// The folder (with a trailing backslash) of the module that holds the caller.
std::string OwnFolder();

// The product folder (ProductRoot, with a trailing backslash), or OwnFolder()
// when it cannot be read.
std::wstring ProductFolder();
