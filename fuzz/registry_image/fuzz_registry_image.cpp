// Fuzz target: the registry image reader on arbitrary bytes. Whatever it
// accepts must survive a write and a second read unchanged, and a streamed
// read (nodes handed on and dropped) must give the same verdict and nodes.

#include "image/RegistryImage.h"
#include "image/RegistryImageWriter.h"

#include <cstdlib>
#include <string>

using namespace sgvr;

namespace {

class CountingSink : public TreeSink {
public:
    void NodeOpened(const Node&, bool, unsigned depth) override {
        ++opened;
        if (depth != open + 1) std::abort();  // children come inside their parent
        ++open;
    }
    void NodeClosed(const Node&, unsigned depth) override {
        if (depth != open) std::abort();
        --open;
    }
    size_t opened = 0;
    unsigned open = 0;
};

size_t CountNodes(const Node& n) {
    size_t count = 1;
    for (const Node* c = n.FirstChild(); c != nullptr; c = c->NextSibling()) count += CountNodes(*c);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Bounds far below the shipped ones (still far above the seeds), so the
    // fuzzer meets them often and keeps its pace; the code paths are the same.
    ReadOptions options;
    options.limits.maxDecodedBytes = 256 * 1024;
    options.limits.maxItems = 16384;
    RegistryImage image;
    const uint32_t verdict = ReadRegistryImage(ByteView(data, size), options, image);
    RegistryImage streamed;
    CountingSink sink;
    if (ReadRegistryImage(ByteView(data, size), options, streamed, nullptr, &sink) != verdict) std::abort();
    if (verdict != kImageOk) return 0;
    if (sink.open != 0 || sink.opened + 1 != CountNodes(*image.top) || streamed.top->FirstChild() != nullptr)
        std::abort();

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
