#include "MsiLibrary.h"

namespace {

template <typename Fn>
Fn ByOrdinal(HMODULE module, WORD ordinal, DWORD& error) {
    FARPROC proc = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
    if (!proc && error == ERROR_SUCCESS) error = GetLastError() ? GetLastError() : ERROR_PROC_NOT_FOUND;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

MsiFunctions Bind() {
    MsiFunctions msi;
    // The same search an import of msi.dll would make.
    HMODULE module = LoadLibraryW(L"msi.dll");
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
