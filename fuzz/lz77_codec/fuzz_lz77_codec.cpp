// Fuzz target: codec 1 alone. Arbitrary bytes go through the decompressor;
// and the compressor's output for the same bytes must decode back to them.

#include "image/Lz77Decoder.h"
#include "image/Lz77Encoder.h"

#include <cstdlib>
#include <cstring>

using namespace sgvr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes out;
    // A small output bound keeps the pace up; the bound is exercised all the same.
    Lz77DecodeAll(ByteView(data, size), out, size_t(64) << 10);

    const std::vector<uint8_t> packed = Lz77Compress(ByteView(data, size));
    Bytes back;
    if (Lz77DecodeAll(ByteView(packed.data(), packed.size()), back, size + 1) != ImageFault::None) std::abort();
    if (back.size() != size || (size != 0 && std::memcmp(back.data(), data, size) != 0)) std::abort();
    return 0;
}
