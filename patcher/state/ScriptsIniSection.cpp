#include "ScriptsIniSection.h"

#include "util/HexNumbers.h"

std::wstring BuildScriptsIniSection(const std::vector<ScriptsIniEntry>& entries) {
    std::wstring block;
    for (const ScriptsIniEntry& entry : entries) {
        const std::wstring name = IntToHex(entry.number);
        block += name + L"CmdLine=" + entry.cmdLine;
        block += L'\0';
        block += name + L"Parameters=" + entry.parameters;
        block += L'\0';
    }
    block += L'\0';
    return block;
}
