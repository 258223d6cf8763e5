#include "PrivatePatchGuid.h"

#include "FixIdentifier.h"
#include "Unpacker.h"
#include "diagnostics/TraceLog.h"
#include "signature/check/CheckFileSignature.h"
#include "util/ErrorText.h"
#include "util/Folders.h"
#include "util/Guid.h"
#include "util/InstallerQueries.h"

#include <windows.h>

#include <stdexcept>

namespace {

const wchar_t kName[] = L"CPatchRunner::GetPrivatePatchGUID";

}  // namespace

std::wstring ReadPrivatePatchGUID(const std::wstring& productFolder, bool verifyPackages) {
    // A folder of its own per call, so two readings never meet. Without the
    // GUID the path would be the temporary folder itself, which the clean-up
    // below would then delete.
    const std::wstring unique = NewGuidString();
    if (unique.empty()) ThrowWindowsError(ERROR_OUTOFMEMORY, kName);
    const std::wstring folder = GetTempDirPath() + unique;
    const unsigned long created = CreateDirRecurs(folder.c_str());
    ThrowIfFailed(created, kName);
    const std::wstring package = folder + L"\\" + kPackageFileName;
    std::wstring guid;
    try {
        // Held while it is checked and read, and closed before the folder goes.
        const UniqueFileHandle held = CUnpacker().ExtractResourceToFile(package);
        if (verifyPackages && !CheckFileSignature(productFolder, package, held.get())) {
            Trace(TL_ERROR, L"%s: MSP-patch not signed.", kName);
            ThrowFixedText(kName, " invalid MSP signature.");
        }
        const unsigned long read = GetMSPPatchGUID(package, guid);
        ThrowIfFailed(read, kName);
    } catch (const std::logic_error& failure) {
        DeleteDirRecurs(folder);
        Trace(TL_ERROR, L"%s: %S", kName, failure.what());
        throw;
    }
    DeleteDirRecurs(folder);
    return guid;
}
