#pragma once
// How one update of Patches.ini moves each patch's line, given the packages
// lying in the Patches folder and the patches Windows Installer lists as
// applied. Pure map work, no Windows calls.
#include "util/SectionMap.h"

#include <map>
#include <string>
#include <vector>

inline constexpr wchar_t kPatchesStateSection[] = L"PATCHES_STATE";
inline constexpr wchar_t kStateInstalled[] = L"installed";
inline constexpr wchar_t kStateNotInstalled[] = L"not_installed";
inline constexpr wchar_t kStateIgnored[] = L"ignored";

// Patch GUID to package file name.
using PackageGuidMap = std::map<std::wstring, std::wstring>;

// A package's GUID without a line becomes "not_installed"; every applied
// patch becomes "installed"; an "installed" line whose key (compared exactly)
// is not applied becomes "ignored". Every other line stays as it is.
void UpdatePatchStates(SectionMap& state, const PackageGuidMap& packages, const std::vector<std::wstring>& applied);
