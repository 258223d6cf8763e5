// The custom action: keeps ProductHotfix, the list of installed fixes under
// the product's Data key, in step with the package being applied or removed.
#include "HotfixMap.h"
#include "HotfixRegistration.h"
#include "TargetComponent.h"
#include "calog.h"
#include "cautil.h"
#include "cawrap.h"

#include <new>

namespace {

UINT RegisterHotfixes(MSIHANDLE hInstall)
{
    HRESULT hr = CaInitialize(hInstall, "RegisterHotfixesInfo");
    if (FAILED(hr)) {
        CaLogError(hr, "Failed to initialize.");
        return CaFinalize(ERROR_INSTALL_FAILURE);
    }
    CaLog(CA_LOG_STANDARD, "RegisterHotfixesInfo initialized.");

    HotfixMap hotfixes;
    hr = ReadHotfixMap(hotfixes);
    if (FAILED(hr)) {
        CaLogError(hr, "Failed to read hotfix info.");
        return CaFinalize(ERROR_INSTALL_FAILURE);
    }

    // Set by the installer while patches are being removed; a failed read
    // leaves the list empty.
    CStrBuf sczRemoval;
    if (FAILED(CaGetProperty(L"MSIPATCHREMOVE", sczRemoval))) sczRemoval.Free();

    TargetComponent component;
    hr = FindTargetComponent(component);
    if (FAILED(hr)) {
        CaLogError(hr, "Failed to get component name.");
        return CaFinalize(ERROR_INSTALL_FAILURE);
    }

    if (!hotfixes.empty()) {
        hr = WriteHotfixValue(hotfixes, component);
        if (FAILED(hr)) {
            CaLogError(hr, "Failed to write info about hotfixes.");
            return CaFinalize(ERROR_INSTALL_FAILURE);
        }
    } else if (!sczRemoval.IsEmpty()) {
        hr = RemoveHotfixValue(component);
        if (FAILED(hr)) {
            CaLogError(hr, "Failed to remove info about hotfixes.");
            return CaFinalize(ERROR_INSTALL_FAILURE);
        }
    } else {
        CaLog(CA_LOG_STANDARD, "The .msp patchs not used. Not changes any fix registration.");
    }
    return CaFinalize(ERROR_SUCCESS);
}

}  // namespace

extern "C" UINT __stdcall RegisterHotfixesInfo(MSIHANDLE hInstall)
{
    // Nothing may unwind into the installer: running out of memory for the
    // map or the strings fails the action like any other failure.
    try {
        return RegisterHotfixes(hInstall);
    } catch (const std::bad_alloc&) {
        CaLogError(E_OUTOFMEMORY, "Failed to allocate memory.");
        return CaFinalize(ERROR_INSTALL_FAILURE);
    }
}
