#include "image/ChunkEncoder.h"

#include "image/ByteWriter.h"
#include "image/Crc32.h"

namespace sgvr {

std::vector<uint8_t> EncodeChunks(ByteView input, uint16_t largestChunk) {
    std::vector<uint8_t> out;
    if (largestChunk == 0) return out;
    out.reserve(input.size + (input.size / largestChunk + 1) * 6);
    for (size_t at = 0; at < input.size; at += largestChunk) {
        const size_t length = input.size - at < largestChunk ? input.size - at : largestChunk;
        PutU32(out, Crc32Update(kCrcStart, input.data + at, length));
        PutU16(out, static_cast<uint16_t>(length));
        PutBytes(out, input.data + at, length);
    }
    return out;
}

}  // namespace sgvr
