#pragma once
// Result codes of reading a registry image, and the finer reason behind a
// refusal (for diagnostics and tests; callers act on the code).

#include <cstdint>

namespace sgvr {

constexpr uint32_t kImageOk = 0xE9BA5770;          // same value as the library's success code
constexpr uint32_t kImageMissing = 0xDEABF3F6;     // no image, or an empty one
constexpr uint32_t kImageNotRegistry = 0xC2FEF413; // does not start with "TLrg"
constexpr uint32_t kImageBadVersion = 0x2A592774;  // format version is not 1
constexpr uint32_t kImageWrongId = 0x4EF35E4D;     // another registry id than required
constexpr uint32_t kImageUnreadable = 0xFD6EB8BE;  // header short, or contents cannot be decoded

enum class ImageFault : uint8_t {
    None,
    Empty,
    ShortHeader,
    BadMagic,
    BadVersion,
    WrongId,
    BadBlockMagic,      // a block does not open with "TLsw"
    UnknownCodec,
    UnsupportedCodec,   // codec 4: its keystream is not known
    TooManyCodecs,      // codec blocks nested beyond the bound
    Truncated,          // a field or value runs past the end of its data
    ChunkTooLong,       // codec 2 chunk above the largest chunk length
    BadChunkCheck,      // codec 2 chunk check value wrong
    CopyBeforeStart,    // codec 1 copy reaching before the start of the output
    DecodedTooLarge,    // decoded output above the bound
    BadStreamMagic,
    BadStreamVersion,
    BadFlags,           // node flags byte of 8 or more
    BadValueType,       // a value whose type has no encoding
    BadCheckValue,      // tree stream check value wrong
    TooDeep,            // nodes nested beyond the bound
    TooManyItems,       // more nodes and attributes than the bound
    NoMemory,
};

// The result code a refusal is reported with.
uint32_t ImageFaultCode(ImageFault fault);
// Short English name, for diagnostics.
const char* ImageFaultName(ImageFault fault);

}  // namespace sgvr
