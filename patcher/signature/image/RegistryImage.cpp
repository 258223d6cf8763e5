#include "image/RegistryImage.h"

#include "image/TreeStreamReader.h"

#include <cstring>
#include <new>
#include <utility>

namespace sgvr {
namespace {

ImageFault CheckHeader(ByteView image, const ReadOptions& options, ImageHeader& header) {
    if (image.data == nullptr || image.size == 0) return ImageFault::Empty;
    ViewSource bytes(ByteView(image.data, image.size < kImageHeaderSize ? image.size : kImageHeaderSize));
    StreamCursor cursor(bytes);
    uint8_t magic[4];
    uint32_t word;
    if (!cursor.Read(magic, 4) || !cursor.ReadU32(word)) return ImageFault::ShortHeader;
    if (std::memcmp(magic, "TLrg", 4) != 0) return ImageFault::BadMagic;
    if ((word & 0xFF) != kImageFormatVersion) return ImageFault::BadVersion;
    header.registryId = (word >> 8) & kRegistryIdMask;
    header.registryFlag = (word >> 31) != 0;
    if (options.requireId && header.registryId != (options.requiredId & kRegistryIdMask))
        return ImageFault::WrongId;
    return ImageFault::None;
}

uint32_t Report(ImageFault f, ImageFault* fault) {
    if (fault != nullptr) *fault = f;
    return ImageFaultCode(f);
}

ImageFault ReadContents(ByteView image, const ReadOptions& options, RegistryImage& result, TreeSink* sink) {
    ImageFault f = CheckHeader(image, options, result.header);
    if (f != ImageFault::None) return f;
    BlockChain chain(ByteView(image.data + kImageHeaderSize, image.size - kImageHeaderSize), options.limits);
    if ((f = chain.Open()) != ImageFault::None) return f;
    result.top = Node::Create(0);
    TreeStreamReader reader(chain.Cursor(), options.limits, sink);
    if ((f = reader.Read(*result.top)) != ImageFault::None) return f;
    result.layout.codecs = chain.Layers();
    result.layout.plainCodec = chain.PlainCodec();
    result.layout.checkBlockSize = reader.CheckBlockSize();
    return ImageFault::None;
}

}  // namespace

uint32_t ReadImageHeader(ByteView image, const ReadOptions& options, ImageHeader& header, ImageFault* fault) {
    ImageHeader h;
    const ImageFault f = CheckHeader(image, options, h);
    if (f == ImageFault::None) header = h;
    return Report(f, fault);
}

uint32_t ReadRegistryImage(ByteView image, const ReadOptions& options, RegistryImage& out, ImageFault* fault,
                           TreeSink* sink) {
    ImageFault f;
    try {
        RegistryImage result;
        f = ReadContents(image, options, result, sink);
        if (f == ImageFault::None) out = std::move(result);
    } catch (const std::bad_alloc&) {
        f = ImageFault::NoMemory;
    }
    return Report(f, fault);
}

}  // namespace sgvr
