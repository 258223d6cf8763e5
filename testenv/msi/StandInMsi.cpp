// Test-only stand-in for msi.dll, installed where the system's msi.dll lies
// (the prefix's system folder, Wine's own kept in "zep-engine" beside it) or
// placed beside a program, and enabled with a Wine DLL override
// (msi=native,builtin). Wine's own msi.dll
// lacks MsiExtractPatchXMLDataW; this module supplies it from the package's
// summary information and forwards the other two queries to Wine's engine.
#include <windows.h>
#include <objbase.h>

#include <string>

namespace {

using EnumRelatedProductsFn = UINT(WINAPI*)(LPCWSTR, DWORD, DWORD, LPWSTR);
using EnumPatchesFn = UINT(WINAPI*)(LPCWSTR, DWORD, LPWSTR, LPWSTR, DWORD*);

HMODULE OwnModule() {
    HMODULE own = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&OwnModule), &own);
    return own;
}

// Wine's msi.dll, a different module from this one although it has the same
// name: "zep-engine\msi.dll" beside this module when the stand-in has taken
// the system's place, else the system's.
HMODULE EngineModule() {
    static HMODULE engine = [] {
        wchar_t path[MAX_PATH];
        const DWORD own = GetModuleFileNameW(OwnModule(), path, MAX_PATH);
        if (own > 0 && own < MAX_PATH) {
            std::wstring kept(path, own);
            kept = kept.substr(0, kept.rfind(L'\\') + 1) + L"zep-engine\\msi.dll";
            if (GetFileAttributesW(kept.c_str()) != INVALID_FILE_ATTRIBUTES) return LoadLibraryW(kept.c_str());
        }
        const UINT length = GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return HMODULE(nullptr);
        return LoadLibraryW((std::wstring(path) + L"\\msi.dll").c_str());
    }();
    return engine;
}

template <typename Fn>
Fn EngineFunction(const char* name) {
    HMODULE engine = EngineModule();
    return engine ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(engine, name))) : nullptr;
}

std::wstring ToWide(const char* text) {
    if (!text) return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return std::wstring();
    std::wstring wide(length - 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    return wide;
}

std::wstring PropertyText(const PROPVARIANT& value) {
    if (value.vt == VT_LPSTR) return ToWide(value.pszVal);
    if (value.vt == VT_LPWSTR && value.pwszVal) return value.pwszVal;
    return std::wstring();
}

// Revision number (patch code first, then any superseded codes) and template
// (target product codes) of the package's summary information.
UINT ReadSummary(LPCWSTR path, std::wstring& revision, std::wstring& targets) {
    IStorage* storage = nullptr;
    if (FAILED(StgOpenStorage(path, nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &storage)))
        return ERROR_PATCH_PACKAGE_OPEN_FAILED;
    UINT result = ERROR_PATCH_PACKAGE_INVALID;
    IPropertySetStorage* sets = nullptr;
    if (SUCCEEDED(storage->QueryInterface(IID_IPropertySetStorage, reinterpret_cast<void**>(&sets)))) {
        IPropertyStorage* summary = nullptr;
        if (SUCCEEDED(sets->Open(FMTID_SummaryInformation, STGM_READ | STGM_SHARE_EXCLUSIVE, &summary))) {
            PROPSPEC specs[2];
            specs[0].ulKind = PRSPEC_PROPID;
            specs[0].propid = PIDSI_REVNUMBER;
            specs[1].ulKind = PRSPEC_PROPID;
            specs[1].propid = PIDSI_TEMPLATE;
            PROPVARIANT values[2];
            PropVariantInit(&values[0]);
            PropVariantInit(&values[1]);
            if (SUCCEEDED(summary->ReadMultiple(2, specs, values))) {
                revision = PropertyText(values[0]);
                targets = PropertyText(values[1]);
                result = ERROR_SUCCESS;
            }
            PropVariantClear(&values[0]);
            PropVariantClear(&values[1]);
            summary->Release();
        }
        sets->Release();
    }
    storage->Release();
    return result;
}

std::wstring PatchXml(const std::wstring& revision, const std::wstring& targets) {
    std::wstring xml = L"<?xml version=\"1.0\" encoding=\"utf-16\"?>"
                       L"<MsiPatch xmlns=\"http://www.microsoft.com/msi/patch_applicability.xsd\" "
                       L"SchemaVersion=\"1.0.0.0\"";
    // The patch code is the first braced GUID of the revision number.
    const std::wstring patchCode = revision.size() >= 38 && revision[0] == L'{' ? revision.substr(0, 38) : revision;
    if (!patchCode.empty()) xml += L" PatchGUID=\"" + patchCode + L"\"";
    xml += L" MinMsiVersion=\"5\"><TargetProduct MinMsiVersion=\"200\">";
    size_t start = 0;
    while (start <= targets.size()) {
        size_t end = targets.find(L';', start);
        if (end == std::wstring::npos) end = targets.size();
        if (end > start)
            xml += L"<TargetProductCode Validate=\"true\">" + targets.substr(start, end - start) + L"</TargetProductCode>";
        start = end + 1;
    }
    xml += L"</TargetProduct></MsiPatch>";
    return xml;
}

}  // namespace

extern "C" {

UINT WINAPI MsiEnumRelatedProductsW(LPCWSTR upgradeCode, DWORD reserved, DWORD index, LPWSTR productBuf) {
    const auto forward = EngineFunction<EnumRelatedProductsFn>("MsiEnumRelatedProductsW");
    return forward ? forward(upgradeCode, reserved, index, productBuf) : ERROR_PROC_NOT_FOUND;
}

UINT WINAPI MsiEnumPatchesW(LPCWSTR product, DWORD index, LPWSTR patchBuf, LPWSTR transformsBuf,
                            DWORD* transformsChars) {
    const auto forward = EngineFunction<EnumPatchesFn>("MsiEnumPatchesW");
    return forward ? forward(product, index, patchBuf, transformsBuf, transformsChars) : ERROR_PROC_NOT_FOUND;
}

UINT WINAPI MsiExtractPatchXMLDataW(LPCWSTR patchPath, DWORD reserved, LPWSTR xmlData, DWORD* xmlChars) {
    if (!patchPath || reserved || (xmlData && !xmlChars)) return ERROR_INVALID_PARAMETER;
    std::wstring revision;
    std::wstring targets;
    const UINT result = ReadSummary(patchPath, revision, targets);
    if (result != ERROR_SUCCESS) return result;
    const std::wstring xml = PatchXml(revision, targets);
    const DWORD needed = static_cast<DWORD>(xml.size());
    if (!xmlData) {
        if (xmlChars) *xmlChars = needed;
        return ERROR_SUCCESS;
    }
    if (*xmlChars <= needed) {
        *xmlChars = needed;
        return ERROR_MORE_DATA;
    }
    xml.copy(xmlData, needed);
    xmlData[needed] = L'\0';
    *xmlChars = needed;
    return ERROR_SUCCESS;
}

}  // extern "C"
