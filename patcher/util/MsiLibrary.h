#pragma once
// The three Windows Installer functions this program asks, bound from
// msi.dll at run time by the ordinals under which msi.dll has always exported
// them (205, 242, 181: what its import library links to).
#include <windows.h>

struct MsiFunctions {
    using EnumRelatedProductsFn = UINT(WINAPI*)(LPCWSTR upgradeCode, DWORD reserved, DWORD index, LPWSTR productBuf);
    using ExtractPatchXmlDataFn = UINT(WINAPI*)(LPCWSTR patchPath, DWORD reserved, LPWSTR xmlData, DWORD* xmlChars);
    using EnumPatchesFn = UINT(WINAPI*)(LPCWSTR product, DWORD index, LPWSTR patchBuf, LPWSTR transformsBuf,
                                        DWORD* transformsChars);

    EnumRelatedProductsFn enumRelatedProducts = nullptr;  // MsiEnumRelatedProductsW, ordinal 205
    ExtractPatchXmlDataFn extractPatchXmlData = nullptr;  // MsiExtractPatchXMLDataW, ordinal 242
    EnumPatchesFn enumPatches = nullptr;                  // MsiEnumPatchesW, ordinal 181
    DWORD loadError = ERROR_SUCCESS;  // why msi.dll or a function is missing
};

// Loaded once and kept for the life of the process, like an imported DLL.
const MsiFunctions& Msi();
