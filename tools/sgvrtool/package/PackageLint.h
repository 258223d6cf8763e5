#pragma once
// The package lint: what the patcher and its custom action rely on in a
// patch package, checked on the package's bytes. The signature itself is
// checked by the caller (it needs the key registries); this part checks that
// there is exactly one trailer for it to verify.
#include <cstdint>
#include <string>
#include <vector>

namespace msppkg {

constexpr size_t kTrailerSize = 94;
// msidbCustomActionTypePatchUninstall: the action also runs while the patch
// is being removed (Windows Installer 4.5 and later).
constexpr int32_t kPatchUninstallFlag = 0x8000;

struct LintOptions {
    std::string fixId;        // letter and "(Patch <id>)"
    std::string productCode;  // the target product code, in braces
    std::string platform;     // "x86", "x64", or empty for either
};

struct LintReport {
    std::vector<std::string> failures;  // broken requirements, one line each
    std::vector<std::string> notes;     // what was found, for the report
    std::string patchGuid;              // summary information revision number
    std::string platform;               // the platform found
};

// Whether the last 94 bytes have the form of a signature trailer.
bool EndsInTrailer(const uint8_t* data, size_t size);

void LintPackage(const std::vector<uint8_t>& bytes, const LintOptions& options, LintReport& report);

}  // namespace msppkg
