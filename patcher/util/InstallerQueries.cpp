#include "InstallerQueries.h"

#include "ErrorText.h"
#include "MsiLibrary.h"
#include "PatchXml.h"
#include "diagnostics/TraceLog.h"

#include <windows.h>

namespace {

const wchar_t kProductCodeName[] = L"GetProductCodeByUpgradeCode";
const size_t kGuidBufferChars = 40;  // 38 characters of a braced GUID and the terminator
const DWORD kFirstTransformsChars = 64;

}  // namespace

std::wstring GetProductCodeByUpgradeCode(const std::wstring& upgradeCode) {
    std::vector<wchar_t> product(kGuidBufferChars, L'\0');
    const MsiFunctions& msi = Msi();
    const UINT result = msi.enumRelatedProducts ? msi.enumRelatedProducts(upgradeCode.c_str(), 0, 0, product.data())
                                                : msi.loadError;
    if (result != ERROR_SUCCESS) {
        Trace(TL_ERROR, L"%s: Can't get product code by upgrade code = <%s>.", kProductCodeName,
              upgradeCode.c_str());
        ThrowWindowsError(result, kProductCodeName);
    }
    return product.data();
}

unsigned long GetMSPPatchGUID(const std::wstring& packagePath, std::wstring& guid) {
    const MsiFunctions& msi = Msi();
    if (!msi.extractPatchXmlData) return msi.loadError;
    DWORD length = 0;
    UINT result = msi.extractPatchXmlData(packagePath.c_str(), 0, nullptr, &length);
    if (result != ERROR_SUCCESS) return result;
    length += 2;
    std::vector<wchar_t> xml(length, L'\0');
    result = msi.extractPatchXmlData(packagePath.c_str(), 0, xml.data(), &length);
    if (result != ERROR_SUCCESS) return result;
    if (!ScanPatchGuid(xml.data(), xml.size(), guid)) return ERROR_NO_MORE_ITEMS;
    Trace(TL_NOTIFY, L"%s: Patch %s GUID = %s", L"GetMSPPatchGUID", packagePath.c_str(), guid.c_str());
    return ERROR_SUCCESS;
}

unsigned long GetProductPatches(const std::wstring& productCode, std::vector<std::wstring>& patches) {
    patches.clear();
    const MsiFunctions& msi = Msi();
    if (!msi.enumPatches) return msi.loadError;
    std::vector<wchar_t> patch(kGuidBufferChars, L'\0');
    std::vector<wchar_t> transforms(kFirstTransformsChars, L'\0');
    for (DWORD index = 0;;) {
        // The call overwrites the length; offer the whole buffer every time.
        DWORD transformsLength = static_cast<DWORD>(transforms.size());
        const UINT result =
            msi.enumPatches(productCode.c_str(), index, patch.data(), transforms.data(), &transformsLength);
        if (result == ERROR_MORE_DATA) {
            // A length that does not grow the buffer would repeat forever.
            if (transformsLength + 2 <= transforms.size()) return result;
            transforms.assign(transformsLength + 2, L'\0');
            continue;
        }
        if (result != ERROR_SUCCESS) return result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result;
        patches.push_back(patch.data());
        ++index;
    }
}
