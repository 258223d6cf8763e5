#include "MsiLibrary.h"

#include "DllSearch.h"
#include "ProcAddress.h"

#include <string>

namespace {

template <typename Fn>
Fn ByOrdinal(HMODULE module, WORD ordinal, DWORD& error) {
    const Fn proc = ProcAddress<Fn>(module, MAKEINTRESOURCEA(ordinal));
    if (!proc && error == ERROR_SUCCESS) error = GetLastError() ? GetLastError() : ERROR_PROC_NOT_FOUND;
    return proc;
}

MsiFunctions Bind() {
    MsiFunctions msi;
    // From the system folder only: a DLL of that name beside the program or
    // in the current folder is never loaded.
    const std::wstring path = SystemFilePath(L"msi.dll");
    HMODULE module = path.empty() ? nullptr : LoadLibraryW(path.c_str());
    if (!module) {
        msi.loadError = GetLastError() ? GetLastError() : ERROR_MOD_NOT_FOUND;
        return msi;
    }
    msi.enumRelatedProducts = ByOrdinal<MsiFunctions::EnumRelatedProductsFn>(module, 205, msi.loadError);
    msi.extractPatchXmlData = ByOrdinal<MsiFunctions::ExtractPatchXmlDataFn>(module, 242, msi.loadError);
    msi.enumPatches = ByOrdinal<MsiFunctions::EnumPatchesFn>(module, 181, msi.loadError);
    return msi;
}

}  // namespace

const MsiFunctions& Msi() {
    static const MsiFunctions msi = Bind();
    return msi;
}
