#include "PatchXml.h"

namespace {

// Only a to z change, as in the runtime library's "C" locale.
wchar_t ToUpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

}  // namespace

bool ScanPatchGuid(const wchar_t* xml, size_t length, std::wstring& guid) {
    guid.clear();
    std::wstring text;
    for (size_t i = 0; xml && i < length && xml[i] != L'\0'; ++i) text.push_back(ToUpperAscii(xml[i]));

    static const wchar_t kAttribute[] = L"PATCHGUID=";
    const size_t found = text.find(kAttribute);
    if (found == std::wstring::npos) return false;

    bool inside = false;
    for (size_t i = found + (sizeof kAttribute / sizeof kAttribute[0] - 1); i < text.size(); ++i) {
        if (text[i] == L'"') {
            if (inside) break;
            inside = true;
        } else if (inside) {
            guid.push_back(text[i]);
        }
    }
    return true;
}
