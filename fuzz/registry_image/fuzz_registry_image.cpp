// Fuzz target: the registry image reader on arbitrary bytes. Whatever it
// accepts must survive a write and a second read unchanged.

#include "RegistryImage.h"
#include "RegistryImageWriter.h"

#include <cstdlib>
#include <string>

using namespace sgvr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Bounds far below the shipped ones (still far above the seeds), so the
    // fuzzer meets them often and keeps its pace; the code paths are the same.
    ReadOptions options;
    options.limits.maxDecodedBytes = 256 * 1024;
    options.limits.maxItems = 16384;
    RegistryImage image;
    if (ReadRegistryImage(ByteView(data, size), options, image) != kImageOk) return 0;

    WriteOptions w;
    w.registryId = image.header.registryId;
    w.registryFlag = image.header.registryFlag;
    w.codecs.assign(image.layout.codecs.begin(), image.layout.codecs.end());
    w.plainCodec = image.layout.plainCodec;
    w.checkBlockSize = image.layout.checkBlockSize;
    std::vector<uint8_t> rewritten;
    std::string error;
    // Some accepted images hold what the writer does not produce (a chunk
    // length parameter above 16 bits, for one); those stop here.
    if (!WriteRegistryImage(*image.top, w, rewritten, error) ||
        rewritten.size() > options.limits.maxDecodedBytes)
        return 0;

    RegistryImage again;
    ImageFault fault = ImageFault::None;
    if (ReadRegistryImage(ByteView(rewritten.data(), rewritten.size()), options, again, &fault) != kImageOk) {
        // Our compressor may grow incompressible data past the small bound.
        if (fault == ImageFault::DecodedTooLarge) return 0;
        std::abort();
    }
    if (!again.top->SameTree(*image.top) || again.header.registryId != image.header.registryId ||
        again.header.registryFlag != image.header.registryFlag)
        std::abort();
    return 0;
}
