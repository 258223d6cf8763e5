// The reader's bounds: a small image cannot make it allocate or recurse
// without limit.

#include "image/Crc32.h"
#include "HandLz77.h"
#include "image/RegistryImage.h"
#include "image/RegistryImageWriter.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace sgvr;
using sgvr_test::TestBytes;

namespace {

ImageFault ReadWith(const std::vector<uint8_t>& bytes, const ImageLimits& limits) {
    ReadOptions o;
    o.limits = limits;
    RegistryImage image;
    ImageFault fault = ImageFault::None;
    ReadRegistryImage(ByteView(bytes.data(), bytes.size()), o, image, &fault);
    return fault;
}

NodePtr Chain(int depth) {
    NodePtr top = Node::Create(0);
    Node* at = top.get();
    for (int i = 0; i < depth; ++i) at = &at->AddChild(0x01000000);
    return top;
}

std::vector<uint8_t> Write(const Node& top, std::vector<CodecLayer> codecs = {}) {
    WriteOptions o;
    o.codecs = std::move(codecs);
    std::vector<uint8_t> image;
    std::string error;
    EXPECT_TRUE(WriteRegistryImage(top, o, image, error)) << error;
    return image;
}

}  // namespace

TEST(ReaderBounds, NodeDepth) {
    const std::vector<uint8_t> image = Write(*Chain(64));
    EXPECT_EQ(ReadWith(image, ImageLimits()), ImageFault::None);
    ImageLimits tight;
    tight.maxDepth = 63;
    EXPECT_EQ(ReadWith(image, tight), ImageFault::TooDeep);

    // A hand-made stream nesting far deeper than the bound is refused
    // without exhausting the stack.
    TestBytes deep;
    deep.Header(1).Block(0).StreamHeader(0);
    for (int i = 0; i < 100000; ++i) deep.U8(2).U32(0x01000000).U32(0x09000001);
    EXPECT_EQ(ReadWith(deep.bytes(), ImageLimits()), ImageFault::TooDeep);
}

TEST(ReaderBounds, LongNestedSiblingRunsDoNotRecurse) {
    // 100000 siblings, each opening a nested run, then as many 0xFF.
    TestBytes img;
    img.Header(1).Block(0).StreamHeader(0);
    img.U8(2).U32(0x01000000).U32(0x09000001);
    for (int i = 0; i < 100000; ++i) img.U8(4).U32(0x01000001).U32(0x09000001);
    img.U8(0).U32(0x01000002).U32(0x09000001);
    img.Fill(100000, 0xFF);
    ReadOptions o;
    RegistryImage image;
    ASSERT_EQ(ReadRegistryImage(img.view(), o, image), kImageOk);
    EXPECT_EQ(image.top->FirstChild()->ChildCount(), 100001u);
}

TEST(ReaderBounds, ItemCount) {
    NodePtr top = Node::Create(0);
    Node& root = top->AddChild(0x01000000);
    for (int i = 0; i < 99; ++i) root.AddAttribute(0x01000001, Value());
    const std::vector<uint8_t> image = Write(*top);
    ImageLimits limits;
    limits.maxItems = 100;
    EXPECT_EQ(ReadWith(image, limits), ImageFault::None);
    limits.maxItems = 99;
    EXPECT_EQ(ReadWith(image, limits), ImageFault::TooManyItems);
}

TEST(ReaderBounds, DecodedOutputOfACompressionBomb) {
    // A few hundred bytes of LZ77 that expand to megabytes of zero bytes
    // inside a byte string: refused at the bound, not allocated.
    TestBytes head;  // plain block header and a node whose byte string says 65535 bytes
    head.Block(0).StreamHeader(0).U8(1).U32(0x2A000001).U16(0xFFFF).U8(0);
    const std::vector<uint8_t> lz = sgvr_test::HandLz77(head.bytes(), {}, true, 300);
    EXPECT_LT(lz.size(), 1100u);  // for 76800 bytes of output
    TestBytes img;
    img.Header(1).Block(1).U32(8192).U16(0).Raw(lz);
    ImageLimits limits;
    limits.maxDecodedBytes = 20000;
    EXPECT_EQ(ReadWith(img.bytes(), limits), ImageFault::DecodedTooLarge);
}

TEST(ReaderBounds, CodecNesting) {
    NodePtr top = Chain(1);
    std::vector<CodecLayer> layers(8, CodecLayer{kCodecChunks, 1024, 0});
    EXPECT_EQ(ReadWith(Write(*top, layers), ImageLimits()), ImageFault::None);
    // Nine layers, hand-wrapped: each a codec-2 block holding one chunk.
    const std::vector<uint8_t> eight = Write(*top, layers);
    const std::vector<uint8_t> block(eight.begin() + 8, eight.end());
    TestBytes outer;
    outer.Block(2).U32(0xFFFF).U16(0);
    std::vector<uint8_t> wrapped = outer.bytes();
    TestBytes chunk;
    chunk.U32(Crc32Update(kCrcStart, block.data(), block.size())).U16(static_cast<uint16_t>(block.size())).Raw(block);
    wrapped.insert(wrapped.end(), chunk.bytes().begin(), chunk.bytes().end());
    TestBytes img;
    img.Header(1).Raw(wrapped);
    EXPECT_EQ(ReadWith(img.bytes(), ImageLimits()), ImageFault::TooManyCodecs);
}

TEST(ReaderBounds, FailedReadReleasesEverything) {
    const size_t before = TreeBlocksOutstanding();
    TestBytes img;
    img.Header(1).Block(0).StreamHeader(0);
    for (int i = 0; i < 1000; ++i) img.U8(2).U32(0x2A000000).U16(3).Text("abc").U32(0x09000001);
    ReadWith(img.bytes(), ImageLimits());
    EXPECT_EQ(TreeBlocksOutstanding(), before);
}

namespace {

long g_allowed = -1;  // allocations left before the allocator refuses; -1 = no limit
void* LimitedAlloc(size_t n) {
    if (g_allowed == 0) return nullptr;
    if (g_allowed > 0) --g_allowed;
    return std::malloc(n);
}
void LimitedFree(void* p) { std::free(p); }

}  // namespace

TEST(ReaderBounds, RefusedAllocationAtEveryPointFailsCleanly) {
    NodePtr top = Node::Create(0);
    Node& root = top->AddChild(0x01160000, Value());
    for (int i = 0; i < 5; ++i) root.AddChild(0x2A1E0000 | i, Value::FromBytes("0123456789", 10)).SetAttribute(0x091E0001, Value::FromU32(i));
    const std::vector<uint8_t> image = Write(*top, {{kCodecChunks, 1024, 0}, {kCodecLz77, 8192, 0}});
    top.reset();

    ShutdownTreeMemory();
    ASSERT_TRUE(InstallTreeMemory(LimitedAlloc, LimitedFree));
    const size_t before = TreeBlocksOutstanding();
    bool succeeded = false;
    for (long allowed = 0; !succeeded && allowed < 1000; ++allowed) {
        g_allowed = allowed;
        RegistryImage read;
        ImageFault fault = ImageFault::None;
        const uint32_t code = ReadRegistryImage(ByteView(image.data(), image.size()), ReadOptions(), read, &fault);
        g_allowed = -1;
        if (code == kImageOk) {
            succeeded = true;
            EXPECT_EQ(read.top->FirstChild()->ChildCount(), 5u);
        } else {
            EXPECT_EQ(code, kImageUnreadable);
            EXPECT_EQ(fault, ImageFault::NoMemory);
            EXPECT_FALSE(read.top);
        }
        read = RegistryImage();
        EXPECT_EQ(TreeBlocksOutstanding(), before) << "after " << allowed << " allocations";
    }
    EXPECT_TRUE(succeeded);
    ShutdownTreeMemory();
}
