#pragma once
// Keeps Patches.ini in step with the patches Windows Installer lists as
// applied to the product, and answers whether a given patch is applied.
#include "PatchStates.h"

#include <string>
#include <vector>

// The product's upgrade code, by which its installed product code is found.
inline constexpr wchar_t kProductUpgradeCode[] = L"{9701BE52-5D71-4DEA-B641-AC23C1652ABD}";

class CPatchManager {
public:
    // Finds the product code and updates the state file; throws
    // std::logic_error when either fails.
    CPatchManager(const std::wstring& productFolder, const std::wstring& patchesFolder,
                  const std::wstring& stateFilePath, bool verifyPackages);

    // Updates the state file once more; traces a failure instead of throwing.
    ~CPatchManager();

    CPatchManager(const CPatchManager&) = delete;
    CPatchManager& operator=(const CPatchManager&) = delete;

    // True when the installer lists exactly this GUID (no case folding) as
    // applied to the product. Throws std::logic_error when it cannot ask.
    bool IsPatchInstalled(const std::wstring& patchGuid) const;

    std::wstring GetProductCode() const { return productCode_; }

private:
    void UpdateConfig();
    void GetMSPsGUIDsMap(const std::vector<std::wstring>& packageNames, PackageGuidMap& guids) const;

    std::wstring productFolder_;
    std::wstring patchesFolder_;
    std::wstring stateFilePath_;
    std::wstring productCode_;
    bool verifyPackages_;
};
