#include "image/ImageStatus.h"

namespace sgvr {

uint32_t ImageFaultCode(ImageFault fault) {
    switch (fault) {
    case ImageFault::None: return kImageOk;
    case ImageFault::Empty: return kImageMissing;
    case ImageFault::BadMagic: return kImageNotRegistry;
    case ImageFault::BadVersion: return kImageBadVersion;
    case ImageFault::WrongId: return kImageWrongId;
    default: return kImageUnreadable;
    }
}

const char* ImageFaultName(ImageFault fault) {
    switch (fault) {
    case ImageFault::None: return "none";
    case ImageFault::Empty: return "no image";
    case ImageFault::ShortHeader: return "short header";
    case ImageFault::BadMagic: return "not a registry image";
    case ImageFault::BadVersion: return "unsupported format version";
    case ImageFault::WrongId: return "wrong registry id";
    case ImageFault::BadBlockMagic: return "block does not start with TLsw";
    case ImageFault::UnknownCodec: return "unknown codec";
    case ImageFault::UnsupportedCodec: return "codec 4 is not supported";
    case ImageFault::TooManyCodecs: return "codec blocks nested too deep";
    case ImageFault::Truncated: return "data ends early";
    case ImageFault::ChunkTooLong: return "chunk longer than allowed";
    case ImageFault::BadChunkCheck: return "chunk check value wrong";
    case ImageFault::CopyBeforeStart: return "copy before start of output";
    case ImageFault::DecodedTooLarge: return "decoded output too large";
    case ImageFault::BadStreamMagic: return "tree stream magic wrong";
    case ImageFault::BadStreamVersion: return "tree stream version wrong";
    case ImageFault::BadFlags: return "node flags byte 8 or more";
    case ImageFault::BadValueType: return "value type without encoding";
    case ImageFault::BadCheckValue: return "check value wrong";
    case ImageFault::TooDeep: return "nodes nested too deep";
    case ImageFault::TooManyItems: return "too many nodes and attributes";
    case ImageFault::NoMemory: return "out of memory";
    }
    return "unknown";
}

}  // namespace sgvr
