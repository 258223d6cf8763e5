#include "PatchStates.h"

#include <algorithm>

void UpdatePatchStates(SectionMap& state, const PackageGuidMap& packages, const std::vector<std::wstring>& applied) {
    for (const auto& package : packages) state.emplace(package.first, kStateNotInstalled);
    for (const std::wstring& guid : applied) state[guid] = kStateInstalled;
    for (auto& [guid, value] : state) {
        if (value == kStateInstalled && std::find(applied.begin(), applied.end(), guid) == applied.end())
            value = kStateIgnored;
    }
}
