#pragma once
// The "Shutdown" section of the machine policy's scripts.ini as a
// private-profile section block. Pure text work, no Windows calls.
#include <string>
#include <vector>

// One script as the policy lists it: its number (the name of its registry
// subkey, in hexadecimal) with the program and its parameter line.
struct ScriptsIniEntry {
    int number = 0;
    std::wstring cmdLine;
    std::wstring parameters;
};

// For each entry, in the given order, "<hex number>CmdLine=<program>" and
// "<hex number>Parameters=<parameters>", each ended by a NUL; then one more
// NUL. No entries give a lone NUL, which the profile functions take as an
// empty section.
std::wstring BuildScriptsIniSection(const std::vector<ScriptsIniEntry>& entries);
