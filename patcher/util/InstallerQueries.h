#pragma once
// Questions to the Windows Installer service: the installed product of an
// upgrade code, the patch GUID of a package file, the patches applied to a
// product.
#include <string>
#include <vector>

// The first installed product related to the upgrade code. Traces and throws
// std::logic_error ("GetProductCodeByUpgradeCode: <system text>") when there
// is none or the query fails.
std::wstring GetProductCodeByUpgradeCode(const std::wstring& upgradeCode);

// Reads the package's patch XML and sets `guid` to its PatchGUID, upper-case.
// Returns the installer's error unchanged (guid untouched), or 259 when the
// XML names no patch GUID.
unsigned long GetMSPPatchGUID(const std::wstring& packagePath, std::wstring& guid);

// The patch codes applied to the product, in the installer's order. Returns 0
// at the normal end, otherwise the installer's error with the patches found so far.
unsigned long GetProductPatches(const std::wstring& productCode, std::vector<std::wstring>& patches);
