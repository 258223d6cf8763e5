// The package lint and the resource reader take files a vendor is handed:
// any bytes must give a verdict, never a read past the end or a hang.
#include "CompoundFile.h"
#include "MsiStorage.h"
#include "PackageLint.h"
#include "PeResources.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    msppkg::LintOptions options{"hf41", "{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}", ""};
    msppkg::LintReport report;
    msppkg::LintPackage(bytes, options, report);
    std::vector<uint8_t> resource;
    std::string error;
    msppkg::FindResource(bytes, u"PATCHDATA", 101, resource, error);
    // Every stream of every storage, read whole.
    msppkg::CompoundFile cf;
    if (cf.Open(bytes.data(), bytes.size(), error)) {
        std::vector<uint8_t> stream;
        for (uint32_t i = 0; i < cf.Entries().size(); ++i) cf.ReadStream(i, stream, error);
    }
    return 0;
}
