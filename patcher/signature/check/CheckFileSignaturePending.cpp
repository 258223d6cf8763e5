// Stand-in for the package signature check while the signature library is
// not part of the build: it accepts nothing, so no package is ever used
// unverified.
#include "CheckFileSignature.h"

#include "diagnostics/TraceLog.h"

bool CheckFileSignature(const std::wstring& /*keyFolder*/, const std::wstring& /*filePath*/) {
    Trace(TL_ERROR, L"%s: signature check not available", L"CheckFileSignature");
    return false;
}
