#include "arith/TrailerFinder.h"

#include <cstring>

namespace sgvr {

const uint8_t kTrailerMarker[kTrailerMarkerSize] = {0x0D, 0x0A, 0x3B, 0x3A};

bool FindLastCompleteMarker(const uint8_t* data, size_t length, size_t* position) {
    if (!data || length < kTrailerMarkerSize) return false;
    for (size_t i = length - kTrailerMarkerSize + 1; i-- > 0;) {
        if (data[i] == 0x0D && std::memcmp(data + i, kTrailerMarker, kTrailerMarkerSize) == 0) {
            if (position) *position = i;
            return true;
        }
    }
    return false;
}

int FindTrailerMarker(const uint8_t* data, size_t length, size_t* position) {
    if (!data) return 0;
    for (size_t partial = kTrailerMarkerSize - 1; partial >= 1; --partial) {
        if (length >= partial && std::memcmp(data + length - partial, kTrailerMarker, partial) == 0) {
            if (position) *position = length - partial;
            return static_cast<int>(partial);
        }
    }
    return FindLastCompleteMarker(data, length, position) ? static_cast<int>(kTrailerMarkerSize) : 0;
}

}  // namespace sgvr
