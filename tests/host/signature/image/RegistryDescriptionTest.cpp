#include "RegistryDescription.h"
#include "image/RegistryImage.h"
#include "image/ValueType.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace sgvr;
using namespace sgvrtool;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

RegistryDescription Parse(const std::string& text) {
    RegistryDescription d;
    std::string error;
    EXPECT_TRUE(ParseRegistryDescription(text, d, error)) << error;
    return d;
}

std::string ParseError(const std::string& text) {
    RegistryDescription d;
    std::string error;
    EXPECT_FALSE(ParseRegistryDescription(text, d, error)) << text;
    return error;
}

}  // namespace

TEST(RegistryDescription, AllTypesRebuildTheSameImageThroughDumpAndParse) {
    const RegistryDescription d = Parse(Slurp(ZEP_IMAGE_TEST_DATA "/all_types.desc"));
    EXPECT_EQ(d.options.registryId, 0x123u);
    EXPECT_TRUE(d.options.registryFlag);
    ASSERT_EQ(d.options.codecs.size(), 2u);
    EXPECT_EQ(d.options.checkBlockSize, 16u);

    std::vector<uint8_t> image;
    std::string error;
    ASSERT_TRUE(WriteRegistryImage(*d.top, d.options, image, error)) << error;
    RegistryImage read;
    ASSERT_EQ(ReadRegistryImage(ByteView(image.data(), image.size()), ReadOptions(), read), kImageOk);
    EXPECT_TRUE(read.top->SameTree(*d.top));

    const std::string dumped = PrintRegistryDescription(OptionsOfImage(read), *read.top);
    const RegistryDescription again = Parse(dumped);
    EXPECT_TRUE(again.top->SameTree(*d.top));
    std::vector<uint8_t> image2;
    ASSERT_TRUE(WriteRegistryImage(*again.top, again.options, image2, error)) << error;
    EXPECT_EQ(image2, image);
    EXPECT_EQ(PrintRegistryDescription(again.options, *again.top), dumped);  // printing is a fixed point
}

TEST(RegistryDescription, ValuesAreStoredInTheirMemoryForm) {
    const RegistryDescription d = Parse(
        "node 0x01000000 {\n"
        "  attr 0x28000001 = \"ab\"\n"
        "  attr 0x28000002 = null\n"
        "  attr 0x29000003 = L\"a\\u00e9\"\n"
        "  attr 0x03000004 = 0x0102\n"
        "  attr 0x4A000005 = [true, false, true]\n"
        "  attr 0x6A000006 = [hex:0102, hex:03]\n"
        "}\n");
    const Node& n = *d.top->FirstChild();
    auto bytes = [&](NodeId id) {
        const Value* v = n.FindAttribute(id);
        return std::vector<uint8_t>(v->Data().begin(), v->Data().end());
    };
    EXPECT_EQ(bytes(0x28000001), (std::vector<uint8_t>{'a', 'b', 0}));
    EXPECT_TRUE(bytes(0x28000002).empty());
    EXPECT_EQ(bytes(0x29000003), (std::vector<uint8_t>{'a', 0, 0xE9, 0}));
    EXPECT_EQ(bytes(0x03000004), (std::vector<uint8_t>{0x02, 0x01}));
    EXPECT_EQ(n.FindAttribute(0x4A000005)->Count(), 3u);
    EXPECT_EQ(n.FindAttribute(0x4A000005)->ElementSize(), 1u);
    EXPECT_EQ(n.FindAttribute(0x6A000006)->ElementSize(), 2u);  // the longest element
    EXPECT_FALSE(n.HasValue());
}

TEST(RegistryDescription, ErrorsNameTheLine) {
    EXPECT_EQ(ParseError("registry 1\nbogus 2\n"), "line 2: unknown statement 'bogus'");
    EXPECT_EQ(ParseError("node 0x02000001 = 256\n"), "line 1: number does not fit 1 bytes");
    EXPECT_EQ(ParseError("\n\nnode 0x28000001 = \"open\n"), "line 3: string not closed");
    EXPECT_NE(ParseError("node 0x2A000001 = null\n").find("only narrow strings can be null"), std::string::npos);
    EXPECT_NE(ParseError("node 0x0D000001 = hex:00\n").find("expected 16 bytes"), std::string::npos);
    EXPECT_EQ(ParseError("node 0x01000001 {\n node 0x01000002\n"), "line 3: expected 'node', 'attr' or '}'");
    EXPECT_NE(ParseError("node 0x49000001 = 5\n").find("expected '['"), std::string::npos);
    EXPECT_NE(ParseError("node 0x13000001 = 5\n").find("no encoding"), std::string::npos);
    EXPECT_NE(ParseError("registry 0x800000\n").find("23 bits"), std::string::npos);
}

TEST(RegistryDescription, CodecLists) {
    WriteOptions o;
    std::string error;
    ASSERT_TRUE(ParseCodecList("2:512 1", o, error)) << error;
    ASSERT_EQ(o.codecs.size(), 2u);
    EXPECT_EQ(o.codecs[0].codec, 2u);
    EXPECT_EQ(o.codecs[0].param, 512u);
    EXPECT_EQ(o.codecs[1].codec, 1u);
    EXPECT_EQ(o.codecs[1].param, 8192u);
    EXPECT_EQ(o.plainCodec, 0u);
    ASSERT_TRUE(ParseCodecList("3", o, error));
    EXPECT_TRUE(o.codecs.empty());
    EXPECT_EQ(o.plainCodec, 3u);
    EXPECT_FALSE(ParseCodecList("0 1", o, error));
    EXPECT_FALSE(ParseCodecList("4", o, error));
    EXPECT_FALSE(ParseCodecList("2:0", o, error));
    EXPECT_FALSE(ParseCodecList("2:70000", o, error));
    EXPECT_FALSE(ParseCodecList("", o, error));
    EXPECT_FALSE(ParseCodecList("1:x", o, error));
}

namespace {

// A small image that prints large: count nodes, each a boolean array of
// 65535 elements, all compressed away by codec 1.
std::vector<uint8_t> WideBooleanImage(int count, bool compressed = true) {
    NodePtr top = Node::Create(0);
    Node& root = top->AddChild(0x01160000);
    for (int i = 0; i < count; ++i) {
        Value array = Value::MakeArray(10, 1);
        for (int k = 0; k < 65535; ++k) array.AppendBool(k % 97 == 0);
        root.AddChild(0x4A200000 | static_cast<uint32_t>(i + 1), std::move(array));
    }
    WriteOptions options;
    if (compressed) options.codecs = {{1, 8192, 0}};
    std::vector<uint8_t> image;
    std::string error;
    EXPECT_TRUE(WriteRegistryImage(*top, options, image, error)) << error;
    return image;
}

// Counts what is written and the most tree blocks held at any write.
class MeasuringOut : public DescriptionOut {
public:
    void Write(const std::string& text) override {
        bytes += text.size();
        if (keep) kept += text;
        const size_t held = TreeBlocksOutstanding();
        if (held > peakBlocks) peakBlocks = held;
    }
    size_t bytes = 0, peakBlocks = 0;
    bool keep = false;
    std::string kept;
};

}  // namespace

// The streamed description holds one node at a time: ten times the nodes
// print ten times the text with no more tree memory held; and it prints what
// the description of the whole tree prints.
TEST(RegistryDescription, StreamedDumpHoldsOneNodeAtATime) {
    const std::vector<uint8_t> few = WideBooleanImage(4), many = WideBooleanImage(40);
    EXPECT_LT(many.size(), 40000u);  // small on disk, ~18 MB as text
    const size_t before = TreeBlocksOutstanding();
    MeasuringOut a, b;
    a.keep = true;
    ASSERT_EQ(StreamRegistryDescription(ByteView(few.data(), few.size()), ReadOptions(), a), kImageOk);
    ASSERT_EQ(StreamRegistryDescription(ByteView(many.data(), many.size()), ReadOptions(), b), kImageOk);
    EXPECT_GT(b.bytes, 9 * a.bytes);
    EXPECT_LE(b.peakBlocks, a.peakBlocks + 2) << "tree memory grew with the number of nodes";
    EXPECT_LT(b.peakBlocks - before, 64u);
    EXPECT_EQ(TreeBlocksOutstanding(), before);

    RegistryImage read;
    ASSERT_EQ(ReadRegistryImage(ByteView(few.data(), few.size()), ReadOptions(), read), kImageOk);
    EXPECT_EQ(a.kept, PrintRegistryDescription(OptionsOfImage(read), *read.top));
    // Long arrays are packed into lines (one element a line took 11 bytes
    // for "false" at this depth), and the text still rebuilds the image.
    EXPECT_LT(a.kept.size(), 4 * 8 * 65535u);
    const RegistryDescription again = Parse(a.kept);
    EXPECT_TRUE(again.top->SameTree(*read.top));
}

TEST(RegistryDescription, ARefusedImagePrintsNothing) {
    std::vector<uint8_t> image = WideBooleanImage(2, false);
    image.resize(image.size() - 2000);  // the stream ends inside the last node
    MeasuringOut out;
    ImageFault fault = ImageFault::None;
    EXPECT_NE(StreamRegistryDescription(ByteView(image.data(), image.size()), ReadOptions(), out, &fault), kImageOk);
    EXPECT_NE(fault, ImageFault::None);
    EXPECT_EQ(out.bytes, 0u);
}
