// Images made by the writer read back into the same tree.

#include "image/Crc32.h"
#include "image/RegistryImage.h"
#include "image/RegistryImageWriter.h"
#include "TestBytes.h"
#include "image/ValueType.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace sgvr;
using sgvr_test::TestBytes;

namespace {

Value Str(const char* s) { return Value::FromString(s, std::strlen(s)); }

NodePtr SampleTree() {
    NodePtr top = Node::Create(0);
    Node& root = top->AddChild(0x01160000, Value());
    root.SetAttribute(0x28010001, Str("root"));
    Node& key = root.AddChild(0x2A1E0001, Value::FromBytes(std::string(64, 'k').data(), 64));
    key.SetAttribute(0x091E0001, Value::FromU32(0x7FFFFC));
    Node& entry = root.AddChild(0x01190001);
    entry.SetAttribute(0x02000001, Value::FromBytes("\x7f", 1));
    entry.SetAttribute(0x03000001, Value::FromBytes("\x01\x02", 2));
    entry.SetAttribute(0x0A000001, Value::FromBytes("\x01", 1));
    entry.SetAttribute(0x0B000001, Value::FromBytes("12345678", 8));
    entry.SetAttribute(0x0D000001, Value::FromBytes("0123456789abcdef", 16));
    entry.SetAttribute(0x12000002, Value::FromU32(0x1234));
    entry.SetAttribute(0x28000002, Value());  // absent string
    entry.SetAttribute(0x28000003, Str(""));
    entry.SetAttribute(0x29000001, Value::FromBytes("w\0i\0", 4));
    Value bools = Value::MakeArray(kTypeBool, 1);
    for (int i = 0; i < 9; ++i) bools.AppendBool(i % 4 == 0);
    entry.SetAttribute(0x4A000001, bools);
    Value hashes = Value::MakeArray(kTypeBytes, 32);
    for (int i = 0; i < 5; ++i) hashes.AppendElement(ByteView(reinterpret_cast<const uint8_t*>(std::string(32, char('A' + i)).data()), 32));
    entry.AddChild(0x6A140001, hashes);
    Value ints = Value::MakeArray(kTypeInt32, 4);
    for (uint32_t i = 0; i < 3; ++i) ints.AppendElement(Value::FromU32(i * 1000).Data());
    entry.AddChild(0x49000002, ints);
    Value strings = Value::MakeArray(kTypeString, 3);
    strings.AppendElement(Str("ab").Data());
    strings.AppendElement(ByteView());  // absent element
    entry.AddChild(0x68000003, strings);
    Value none = Value::MakeArray(1, 0);
    for (int i = 0; i < 4; ++i) none.AppendElement(ByteView());
    entry.AddChild(0x41000004, none);
    entry.AddChild(0x28000005, Value());  // node whose own string is absent
    entry.AddChild(0x28000006);           // node without a value
    Node& deep = entry.AddChild(0x01000007);
    deep.AddChild(0x01000008).AddChild(0x09000009, Value::FromU32(9));
    top->AddChild(0x01170000).AddChild(0x09000001, Value::FromU32(1));  // a second root
    return top;
}

std::vector<uint8_t> Write(const Node& top, const WriteOptions& o) {
    std::vector<uint8_t> image;
    std::string error;
    EXPECT_TRUE(WriteRegistryImage(top, o, image, error)) << error;
    return image;
}

struct Layout {
    const char* name;
    std::vector<CodecLayer> codecs;
};

const std::vector<Layout>& Layouts() {
    static const std::vector<Layout> layouts = {
        {"codec 0", {}},
        {"codec 1", {{kCodecLz77, 8192, 0}}},
        {"codec 2", {{kCodecChunks, 1024, 0}}},
        {"codec 2 around 1", {{kCodecChunks, 1024, 0}, {kCodecLz77, 8192, 0}}},
        {"codec 2 small chunks around 1", {{kCodecChunks, 7, 0}, {kCodecLz77, 8192, 0}}},
    };
    return layouts;
}

}  // namespace

TEST(RegistryRoundTrip, EveryCodecAndCheckBlockSize) {
    const NodePtr tree = SampleTree();
    for (const Layout& layout : Layouts()) {
        for (uint32_t blockSize : {0u, 1020u, 16u, 1u, 10u, 11u}) {
            WriteOptions o;
            o.registryId = 0x7FFFFA;
            o.registryFlag = blockSize == 16;
            o.codecs = layout.codecs;
            o.checkBlockSize = blockSize;
            const std::vector<uint8_t> image = Write(*tree, o);
            for (bool trailer : {false, true}) {
                std::vector<uint8_t> bytes = image;
                if (trailer) {
                    const std::string t = "\r\n;:" + std::string(88, 'Z') + "%%";
                    bytes.insert(bytes.end(), t.begin(), t.end());
                }
                RegistryImage read;
                ImageFault fault;
                ReadOptions ro;
                ro.requireId = true;
                ro.requiredId = 0x7FFFFA;
                ASSERT_EQ(ReadRegistryImage(ByteView(bytes.data(), bytes.size()), ro, read, &fault), kImageOk)
                    << layout.name << ", block " << blockSize << ": " << ImageFaultName(fault);
                EXPECT_TRUE(read.top->SameTree(*tree)) << layout.name << ", block " << blockSize;
                EXPECT_EQ(read.header.registryFlag, blockSize == 16);
                EXPECT_EQ(read.layout.checkBlockSize, blockSize);
                ASSERT_EQ(read.layout.codecs.size(), layout.codecs.size());
                for (size_t i = 0; i < layout.codecs.size(); ++i) {
                    EXPECT_EQ(read.layout.codecs[i].codec, layout.codecs[i].codec);
                    EXPECT_EQ(read.layout.codecs[i].param, layout.codecs[i].param);
                }
            }
        }
    }
}

TEST(RegistryRoundTrip, SmallBlockSizeCarriesManyCheckValues) {
    const NodePtr tree = SampleTree();
    WriteOptions plain, checked;
    plain.checkBlockSize = 0;
    checked.checkBlockSize = 16;
    const size_t a = Write(*tree, plain).size();
    const size_t b = Write(*tree, checked).size();
    const size_t nodeBytes = a - 8 - 6 - 10;
    // One check value per 16 stream bytes (the first block holds 6 node bytes), plus a final one.
    EXPECT_EQ(b - a, 4 * ((nodeBytes + 10) / 16 + ((nodeBytes + 10) % 16 != 0 ? 1 : 0)));
}

TEST(RegistryRoundTrip, WriterReproducesTheBuiltinRegistryLayout) {
    std::vector<uint8_t> key(64);
    for (size_t i = 0; i < 64; ++i) key[i] = static_cast<uint8_t>(i * 3);
    TestBytes nodes;
    nodes.U8(3).U32(0x01160000).U32(0x09000001);
    nodes.U8(1).U32(0x2A1E0001).U16(64).Raw(key).U32(0x091E0001).U32(0x7FFFFC).U32(0x09000001);
    TestBytes hand;
    hand.Header(0x7FFFFE).Block(0).StreamHeader(1020).Raw(nodes.bytes());
    hand.U32(Crc32Update(kCrcStart, nodes.bytes().data(), nodes.size()));

    NodePtr top = Node::Create(0);
    Node& root = top->AddChild(0x01160000, Value());
    root.AddChild(0x2A1E0001, Value::FromBytes(key.data(), key.size())).SetAttribute(0x091E0001, Value::FromU32(0x7FFFFC));
    WriteOptions o;
    o.registryId = 0x7FFFFE;
    o.checkBlockSize = 1020;
    const std::vector<uint8_t> written = Write(*top, o);
    EXPECT_EQ(written.size(), 120u);
    EXPECT_EQ(written, hand.bytes());
}

TEST(RegistryRoundTrip, LargeRandomTree) {
    std::mt19937 rng(17);
    NodePtr top = Node::Create(0);
    std::vector<Node*> nodes{&top->AddChild(0x01000000)};
    for (int i = 0; i < 3000; ++i) {
        Node* parent = nodes[rng() % nodes.size()];
        const uint32_t kind = rng() % 4;
        Node* n;
        if (kind == 0) {
            n = &parent->AddChild(0x09000000 | (rng() & 0xFFFF), Value::FromU32(rng()));
        } else if (kind == 1) {
            std::string s(rng() % 50, 'x');
            for (auto& c : s) c = static_cast<char>(rng());
            n = &parent->AddChild(0x2A000000 | (rng() & 0xFFFF), Value::FromBytes(s.data(), s.size()));
        } else {
            n = &parent->AddChild(0x01000000 | (rng() & 0xFFFF));
        }
        if (rng() % 3 == 0) n->AddAttribute(0x09010000 | (rng() & 0xFFFF), Value::FromU32(rng() % 4));
        nodes.push_back(n);
    }
    WriteOptions o;
    o.codecs = {{kCodecChunks, 1024, 0}, {kCodecLz77, 8192, 0}};
    o.checkBlockSize = 16;
    const std::vector<uint8_t> image = Write(*top, o);
    RegistryImage read;
    ASSERT_EQ(ReadRegistryImage(ByteView(image.data(), image.size()), ReadOptions(), read), kImageOk);
    EXPECT_TRUE(read.top->SameTree(*top));
}

TEST(RegistryWriter, RefusesWhatCannotBeWritten) {
    auto refuse = [](const Node& top, WriteOptions o = WriteOptions()) {
        std::vector<uint8_t> image;
        std::string error;
        const bool ok = WriteRegistryImage(top, o, image, error);
        EXPECT_FALSE(error.empty());
        return ok;
    };
    NodePtr empty = Node::Create(0);
    EXPECT_FALSE(refuse(*empty));

    NodePtr badString = Node::Create(0);
    badString->AddChild(0x28000001, Value::FromBytes("no zero", 7));
    EXPECT_FALSE(refuse(*badString));

    NodePtr badSize = Node::Create(0);
    badSize->AddChild(0x09000001, Value::FromBytes("abc", 3));
    EXPECT_FALSE(refuse(*badSize));

    NodePtr arrayUnderScalar = Node::Create(0);
    arrayUnderScalar->AddChild(0x09000001, Value::MakeArray(kTypeInt32, 4));
    EXPECT_FALSE(refuse(*arrayUnderScalar));

    NodePtr endMark = Node::Create(0);
    endMark->AddChild(0x01000001).AddAttribute(0x89000001, Value::FromU32(0));
    EXPECT_FALSE(refuse(*endMark));

    NodePtr unknownType = Node::Create(0);
    unknownType->AddChild(0x13000001, Value());
    EXPECT_FALSE(refuse(*unknownType));

    NodePtr deep = Node::Create(0);
    Node* at = deep.get();
    for (int i = 0; i < 65; ++i) at = &at->AddChild(0x01000000);
    EXPECT_FALSE(refuse(*deep));

    NodePtr fine = Node::Create(0);
    fine->AddChild(0x01000000);
    WriteOptions wide;
    wide.registryId = 0x800000;
    EXPECT_FALSE(refuse(*fine, wide));
}
