#pragma once
// The fixes carried by the package: PatchInfo's PatchId -> Letter.
#include <windows.h>

#include <map>
#include <string>

using HotfixMap = std::map<std::wstring, std::wstring>;

// A missing PatchInfo table is an empty map; the first row of a PatchId wins.
HRESULT ReadHotfixMap(HotfixMap& hotfixes);
