#pragma once
// Result codes of the package signature check, in the system's own error
// space: 0 success, negative failure. Library codes are a separate space.
#include <cstdint>

constexpr int32_t kCheckOk = 0;
constexpr int32_t kCheckAddFailed = static_cast<int32_t>(0x80000040);      // image not added, name not read back
constexpr int32_t kCheckLibraryFailed = static_cast<int32_t>(0x8000005A);  // the signature library said no
constexpr int32_t kCheckFileNotFound = static_cast<int32_t>(0x80010102);

// The result code for a system error of a file operation (0 for no error).
int32_t CheckResultFromSystemError(uint32_t systemError);
