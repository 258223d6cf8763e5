#include "HotfixRegistration.h"

#include "HotfixLetters.h"
#include "ProductDataKey.h"
#include "RowKey.h"
#include "calog.h"
#include "cautil.h"
#include "cawrap.h"

#include <string>
#include <vector>

namespace {

LPCWSTR DataKeyFor(const TargetComponent& component)
{
    return component.is64Bit ? kProductDataKeyWow64 : kProductDataKey;
}

}  // namespace

HRESULT WriteHotfixValue(const HotfixMap& hotfixes, const TargetComponent& component)
{
    std::vector<std::wstring> letters;
    for (const auto& hotfix : hotfixes) letters.push_back(hotfix.second);
    const std::wstring joined = JoinHotfixLetters(letters);

    const HRESULT hr = AddRegistryRow(DataKeyFor(component), kProductHotfixValue, joined.c_str(), component.name.c_str());
    if (FAILED(hr))
        CaLog(CA_LOG_STANDARD, "WARNING: Failed to add record 'ProductHotfix' '%S' to registry table. Error %d.",
              joined.c_str(), static_cast<int>(hr));
    return hr;
}

HRESULT RemoveHotfixValue(const TargetComponent& component)
{
    const HRESULT hr = AddRemoveRegistryRow(DataKeyFor(component), kProductHotfixValue, component.name.c_str());
    if (FAILED(hr))
        CaLog(CA_LOG_STANDARD, "WARNING: Failed to add record 'ProductHotfix' to remove registry table. Error %d.",
              static_cast<int>(hr));
    return hr;
}

HRESULT AddRegistryRow(LPCWSTR wzKey, LPCWSTR wzName, LPCWSTR wzValue, LPCWSTR wzComponent)
{
    if (!CaIsInitialized()) return S_FALSE;
    const std::wstring rowKey = CreateRowKey();
    CaLog(CA_LOG_STANDARD, "Add record to Registry table: %S, %d, %S, %S, %S, %S.", rowKey.c_str(), kProductDataRoot,
          wzKey, wzName, wzValue, wzComponent);
    UniqueMsiHandle hView;
    UniqueMsiHandle hColumns;
    return CaAddTempRecord(hView, hColumns, L"Registry", 1,
                           {rowKey.c_str(), kProductDataRoot, wzKey, wzName, wzValue, wzComponent});
}

HRESULT AddRemoveRegistryRow(LPCWSTR wzKey, LPCWSTR wzName, LPCWSTR wzComponent)
{
    if (!CaIsInitialized()) return S_FALSE;
    const std::wstring rowKey = CreateRowKey();
    CaLog(CA_LOG_STANDARD, "Add record to RemoveRegistry table: %S, %d, %S, %S, %S.", rowKey.c_str(),
          kProductDataRoot, wzKey, wzName, wzComponent);
    UniqueMsiHandle hView;
    UniqueMsiHandle hColumns;
    return CaAddTempRecord(hView, hColumns, L"RemoveRegistry", 1,
                           {rowKey.c_str(), kProductDataRoot, wzKey, wzName, wzComponent});
}
