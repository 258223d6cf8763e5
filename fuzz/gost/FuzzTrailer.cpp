// Trailer finder and signed hash with arbitrary bytes and chunkings: the result must
// not depend on how the image is cut into chunks.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "arith/ArithStatus.h"
#include "arith/ObjectHashes.h"
#include "arith/TrailerFinder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t step = data[0] % 97 + 1;  // chunk length for the second pass
    const uint8_t* image = data + 1;
    const size_t n = size - 1;

    size_t pos = 0;
    const int found = sgvr::FindTrailerMarker(image, n, &pos);
    if (found < 0 || found > 4 || (found && pos + static_cast<size_t>(found) > n)) __builtin_trap();

    uint8_t h1[32], t1[94], h2[32], t2[94];
    const uint32_t s1 = sgvr::ComputeSignedHash(image, n, nullptr, 0, h1, t1);
    sgvr::CSignedHasher hasher;
    for (size_t off = 0; off < n; off += step) hasher.Update(image + off, n - off < step ? n - off : step);
    const uint32_t s2 = hasher.Finish(h2, t2);
    if (s1 != s2) __builtin_trap();
    if (s1 == sgvr::kStatusOk) {
        if (std::memcmp(h1, h2, 32) != 0 || std::memcmp(t1, t2, 94) != 0) __builtin_trap();
        if (std::memcmp(t1, image + n - 94, 94) != 0 || std::memcmp(t1, sgvr::kTrailerMarker, 4) != 0) __builtin_trap();
    }
    return 0;
}
