#pragma once
// Result codes of the hash and signature arithmetic. The signature library maps
// them to its own 32-bit statuses (see StatusFromSmallResult).
#include <cstdint>

namespace sgvr {

enum SmallResult : int {
    kResultOk = 0,
    kResultAlreadyLoaded = 1,
    kResultNoParameters = 2,      // domain parameters not loaded, or hash context not started
    kResultNoPublicKey = 3,
    kResultKeyAlreadyLoaded = 4,
    kResultMismatch = 5,          // signature does not match (also: unusable key or record)
    kResultRZero = 6,
    kResultSZero = 7,
    kResultROutOfRange = 8,
    kResultSOutOfRange = 9,
    kResultMissingArgument = 15,
    kResultWrongSize = 16,
};

}  // namespace sgvr
