// A custom action built on the support layer that writes one line at each
// level. Loaded afresh by the tests, it starts with the layer's state as a
// new custom-action library would.
#include "calog.h"
#include "cautil.h"

extern "C" __declspec(dllexport) UINT __stdcall ProbeLogLevels(MSIHANDLE hInstall)
{
    if (FAILED(CaInitialize(hInstall, "LayerProbe"))) return CaFinalize(ERROR_INSTALL_FAILURE);
    CaLog(CA_LOG_VERBOSE, "verbose line");
    CaLog(CA_LOG_STANDARD, "standard line");
    return CaFinalize(ERROR_SUCCESS);
}
