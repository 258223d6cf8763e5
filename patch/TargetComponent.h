#pragma once
// The component that owns the registry rows: the first one of the package
// that this transaction installs or reinstalls.
#include <windows.h>

#include <string>

struct TargetComponent {
    std::wstring name;    // empty when no component qualifies
    bool is64Bit = false;  // msidbComponentAttributes64bit
};

HRESULT FindTargetComponent(TargetComponent& component);
