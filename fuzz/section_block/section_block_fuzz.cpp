// libFuzzer target: the section-block parser on arbitrary UTF-16 code units,
// and the promise that a built block parses back to the map it came from.
#include "util/SectionBlock.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring block;
    for (size_t i = 0; i + 1 < size; i += 2) block += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    SectionMap parsed;
    ParseSectionBlock(block.data(), block.size(), parsed);

    // Keys read from a block never hold "=" and no entry holds a NUL, so
    // building and parsing again must be the identity.
    const std::wstring rebuilt = BuildSectionBlock(parsed);
    if (rebuilt.size() < 2 || rebuilt[rebuilt.size() - 1] != L'\0') abort();
    SectionMap again;
    ParseSectionBlock(rebuilt.data(), rebuilt.size(), again);
    if (again != parsed) abort();
    return 0;
}
