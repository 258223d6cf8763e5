#pragma once
// Has the installer write or delete the ProductHotfix value by adding
// temporary Registry / RemoveRegistry rows owned by the target component;
// the installer's own registry actions carry them out.
#include "HotfixMap.h"
#include "TargetComponent.h"

#include <windows.h>

HRESULT WriteHotfixValue(const HotfixMap& hotfixes, const TargetComponent& component);
HRESULT RemoveHotfixValue(const TargetComponent& component);

// S_FALSE (nothing added) outside an initialised custom-action call.
HRESULT AddRegistryRow(LPCWSTR wzKey, LPCWSTR wzName, LPCWSTR wzValue, LPCWSTR wzComponent);
HRESULT AddRemoveRegistryRow(LPCWSTR wzKey, LPCWSTR wzName, LPCWSTR wzComponent);
