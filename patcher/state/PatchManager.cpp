#include "PatchManager.h"

#include "diagnostics/TraceLog.h"
#include "util/ConfigManager.h"
#include "util/ErrorText.h"
#include "util/InstallerQueries.h"
#include "util/PatchPackages.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace {

const wchar_t kUpdateConfig[] = L"CPatchManager::UpdateConfig";

}  // namespace

CPatchManager::CPatchManager(const std::wstring& productFolder, const std::wstring& patchesFolder,
                             const std::wstring& stateFilePath, bool verifyPackages)
    : productFolder_(productFolder),
      patchesFolder_(patchesFolder),
      stateFilePath_(stateFilePath),
      productCode_(GetProductCodeByUpgradeCode(kProductUpgradeCode)),
      verifyPackages_(verifyPackages) {
    UpdateConfig();
}

CPatchManager::~CPatchManager() {
    try {
        UpdateConfig();
        Trace(TL_NOTIFY, L"%s: config-ini updated successfully.", L"CPatchManager::~CPatchManager");
    } catch (const std::logic_error& failure) {
        Trace(TL_WARNING, L"%S", failure.what());
    } catch (const std::exception& failure) {
        Trace(TL_WARNING, L"%S", failure.what());
    }
}

bool CPatchManager::IsPatchInstalled(const std::wstring& patchGuid) const {
    std::vector<std::wstring> applied;
    const unsigned long result = GetProductPatches(productCode_, applied);
    ThrowIfFailed(result, L"CPatchManager::IsPatchInstalled");
    return std::find(applied.begin(), applied.end(), patchGuid) != applied.end();
}

void CPatchManager::UpdateConfig() {
    Trace(TL_NOTIFY, L"%s: Start", kUpdateConfig);
    const CConfigManager config(stateFilePath_.c_str());
    SectionMap state;
    config.GetSection(kPatchesStateSection, state);

    std::vector<std::wstring> names;
    FindPatchPackages(patchesFolder_, names, productFolder_, verifyPackages_);
    PackageGuidMap packages;
    GetMSPsGUIDsMap(names, packages);

    std::vector<std::wstring> applied;
    const unsigned long result = GetProductPatches(productCode_, applied);
    ThrowIfFailed(result, kUpdateConfig);

    // Nothing is written before every question has been answered.
    UpdatePatchStates(state, packages, applied);
    config.SetSection(kPatchesStateSection, state);
    Trace(TL_NOTIFY, L"%s: Finish success", kUpdateConfig);
}

void CPatchManager::GetMSPsGUIDsMap(const std::vector<std::wstring>& packageNames, PackageGuidMap& guids) const {
    guids.clear();
    for (const std::wstring& name : packageNames) {
        std::wstring guid;
        const unsigned long result = GetMSPPatchGUID(patchesFolder_ + L"\\" + name, guid);
        ThrowIfFailed(result, L"CPatchManager::GetMSPsGUIDsMap");
        guids[guid] = name;
    }
}
