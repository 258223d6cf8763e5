// libFuzzer target: the patch-XML scan on arbitrary UTF-16 code units.
#include "util/PatchXml.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring xml;
    for (size_t i = 0; i + 1 < size; i += 2) xml += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    std::wstring guid = L"before";
    const bool found = ScanPatchGuid(xml.data(), xml.size(), guid);
    // The GUID is a piece of the text: never longer, never holding a quote or
    // a lower-case ASCII letter.
    if (guid.size() > xml.size()) abort();
    if (!found && !guid.empty()) abort();
    for (wchar_t c : guid)
        if (c == L'"' || (c >= L'a' && c <= L'z') || c == L'\0') abort();
    return 0;
}
