#include "image/RegistryImageWriter.h"

#include "image/ByteWriter.h"
#include "image/ChunkEncoder.h"
#include "image/ImageLimits.h"
#include "image/Lz77Encoder.h"
#include "image/RegistryImage.h"
#include "image/TreeStreamWriter.h"

namespace sgvr {
namespace {

void PutBlockHead(std::vector<uint8_t>& out, uint16_t codec) {
    PutBytes(out, reinterpret_cast<const uint8_t*>("TLsw"), 4);
    PutU16(out, codec);
}

}  // namespace

bool WriteRegistryImage(const Node& top, const WriteOptions& options, std::vector<uint8_t>& image, std::string& error) {
    if (options.registryId > kRegistryIdMask) {
        error = "registry id above 23 bits";
        return false;
    }
    if (options.plainCodec != kCodecPlain && options.plainCodec != kCodecPlainAlt) {
        error = "the innermost block must use codec 0 or 3";
        return false;
    }
    if (options.codecs.size() > ImageLimits().maxCodecLayers) {
        error = "more codec blocks than readers accept";
        return false;
    }
    std::vector<uint8_t> block;
    PutBlockHead(block, options.plainCodec);
    if (!WriteTreeStream(top, options.checkBlockSize, block, error)) return false;
    if (block.size() - 6 > ImageLimits().maxDecodedBytes) {
        error = "tree stream larger than readers accept";
        return false;
    }

    for (auto layer = options.codecs.rbegin(); layer != options.codecs.rend(); ++layer) {
        std::vector<uint8_t> inner;
        inner.swap(block);
        if (inner.size() > ImageLimits().maxDecodedBytes) {
            error = "codec output larger than readers accept";
            return false;
        }
        std::vector<uint8_t> encoded;
        if (layer->codec == kCodecChunks) {
            if (layer->param == 0 || layer->param > 0xFFFF) {
                error = "codec 2 needs a largest chunk length from 1 to 65535";
                return false;
            }
            encoded = EncodeChunks(ByteView(inner.data(), inner.size()), static_cast<uint16_t>(layer->param));
        } else if (layer->codec == kCodecLz77) {
            encoded = Lz77Compress(ByteView(inner.data(), inner.size()));
        } else {
            error = "codec " + std::to_string(layer->codec) + " cannot be written";
            return false;
        }
        PutBlockHead(block, layer->codec);
        PutU32(block, layer->param);
        PutU16(block, layer->param2);
        PutBytes(block, encoded.data(), encoded.size());
    }

    image.clear();
    PutBytes(image, reinterpret_cast<const uint8_t*>("TLrg"), 4);
    PutU32(image, kImageFormatVersion | (options.registryId << 8) | (options.registryFlag ? 0x80000000u : 0u));
    PutBytes(image, block.data(), block.size());
    return true;
}

}  // namespace sgvr
