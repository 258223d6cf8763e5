// Reader tests on hand-laid images (none of them made by our writer).

#include "image/Crc32.h"
#include "HandLz77.h"
#include "image/RegistryImage.h"
#include "TestBytes.h"
#include "image/ValueType.h"

#include <gtest/gtest.h>

#include <string>

using namespace sgvr;
using sgvr_test::HandLz77;
using sgvr_test::TestBytes;

namespace {

struct Outcome {
    uint32_t code;
    ImageFault fault;
    RegistryImage image;
};

Outcome Read(const TestBytes& bytes, bool requireId = false, uint32_t id = 0) {
    Outcome o;
    ReadOptions options;
    options.requireId = requireId;
    options.requiredId = id;
    o.code = ReadRegistryImage(bytes.view(), options, o.image, &o.fault);
    return o;
}

uint32_t Crc(const TestBytes& b) { return Crc32Update(kCrcStart, b.bytes().data(), b.size()); }

std::vector<uint8_t> Key() {
    std::vector<uint8_t> k(64);
    for (size_t i = 0; i < k.size(); ++i) k[i] = static_cast<uint8_t>(0xA0 + i);
    return k;
}

// Node bytes of the built-in registry: root 0x01160000 (flags 3, type 1 so
// no value bytes) and its child, a 64-byte key serving registry 0x7FFFFC.
TestBytes BuiltinNodes() {
    TestBytes n;
    n.U8(3).U32(0x01160000).U32(0x09000001);
    n.U8(1).U32(0x2A1E0001).U16(64).Raw(Key()).U32(0x091E0001).U32(0x7FFFFC).U32(0x09000001);
    return n;
}

TestBytes BuiltinImage() {
    const TestBytes nodes = BuiltinNodes();
    TestBytes img;
    img.Header(0x7FFFFE).Block(0).StreamHeader(1020).Raw(nodes.bytes()).U32(Crc(nodes));
    return img;
}

TestBytes PlainImage(const TestBytes& nodes, uint32_t id = 5) {
    TestBytes img;
    img.Header(id).Block(0).StreamHeader(0).Raw(nodes.bytes());
    return img;
}

// A lone root with no value and no attributes.
TestBytes TinyNodes() {
    TestBytes n;
    n.U8(0).U32(0x01000000).U32(0x09000001);
    return n;
}

}  // namespace

TEST(RegistryReader, BuiltinRegistryExample) {
    const TestBytes img = BuiltinImage();
    ASSERT_EQ(img.size(), 120u);
    Outcome o = Read(img, true, 0x7FFFFE);
    ASSERT_EQ(o.code, kImageOk) << ImageFaultName(o.fault);
    EXPECT_EQ(o.image.header.registryId, 0x7FFFFEu);
    EXPECT_FALSE(o.image.header.registryFlag);
    EXPECT_EQ(o.image.layout.checkBlockSize, 1020u);
    EXPECT_TRUE(o.image.layout.codecs.empty());

    const Node* root = o.image.top->FirstChild();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->NextSibling(), nullptr);
    EXPECT_EQ(root->Id(), 0x01160000u);
    EXPECT_TRUE(root->HasValue());
    EXPECT_EQ(root->GetValue().Size(), 0u);
    EXPECT_TRUE(root->Attributes().empty());
    const Node* key = root->FirstChild();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->NextSibling(), nullptr);
    EXPECT_EQ(key->Id(), 0x2A1E0001u);
    const ByteView kv = key->GetValue().Data();
    EXPECT_EQ(std::vector<uint8_t>(kv.begin(), kv.end()), Key());
    uint32_t serves = 0;
    ASSERT_NE(key->FindAttribute(0x091E0001), nullptr);
    ASSERT_TRUE(key->FindAttribute(0x091E0001)->AsU32(serves));
    EXPECT_EQ(serves, 0x7FFFFCu);
}

TEST(RegistryReader, HeaderRefusalsInOrder) {
    RegistryImage unused;
    EXPECT_EQ(ReadRegistryImage(ByteView(), ReadOptions(), unused), kImageMissing);
    TestBytes empty;
    EXPECT_EQ(Read(empty).code, kImageMissing);

    TestBytes shortHeader;
    shortHeader.Text("TLrg").U8(1);
    EXPECT_EQ(Read(shortHeader).code, kImageUnreadable);
    EXPECT_EQ(Read(shortHeader).fault, ImageFault::ShortHeader);
    TestBytes shortOther;
    shortOther.Text("MZ");
    EXPECT_EQ(Read(shortOther).code, kImageUnreadable);

    TestBytes magic = BuiltinImage();
    magic.bytes()[3] = 'x';
    EXPECT_EQ(Read(magic).code, kImageNotRegistry);

    TestBytes version = BuiltinImage();
    version.bytes()[4] = 2;
    EXPECT_EQ(Read(version).code, kImageBadVersion);
    EXPECT_EQ(Read(version, true, 0x1234).code, kImageBadVersion);  // version is checked first

    const TestBytes img = BuiltinImage();
    EXPECT_EQ(Read(img, true, 0x7FFFFC).code, kImageWrongId);
    EXPECT_EQ(Read(img, true, 0x7FFFFE).code, kImageOk);
    EXPECT_EQ(Read(img).code, kImageOk);  // no id required

    // The header alone, for a caller that only sorts registries by id.
    ImageHeader h;
    ReadOptions need;
    need.requireId = true;
    need.requiredId = 0x7FFFFC;
    EXPECT_EQ(ReadImageHeader(img.view(), need, h), kImageWrongId);
    need.requiredId = 0x7FFFFE;
    EXPECT_EQ(ReadImageHeader(img.view(), need, h), kImageOk);
    EXPECT_EQ(h.registryId, 0x7FFFFEu);
}

TEST(RegistryReader, RegistryFlagIsBit31) {
    const TestBytes nodes = TinyNodes();
    TestBytes img;
    img.Header(0x123, true).Block(0).StreamHeader(0).Raw(nodes.bytes());
    Outcome o = Read(img);
    ASSERT_EQ(o.code, kImageOk);
    EXPECT_TRUE(o.image.header.registryFlag);
    EXPECT_EQ(o.image.header.registryId, 0x123u);
}

TEST(RegistryReader, FramingAndStreamHeaderRefusals) {
    const TestBytes nodes = TinyNodes();
    auto with = [&](auto build) {
        TestBytes img;
        img.Header(5);
        build(img);
        return Read(img);
    };
    EXPECT_EQ(with([&](TestBytes& b) { b.Text("TLsv").U16(0).StreamHeader(0).Raw(nodes.bytes()); }).fault,
              ImageFault::BadBlockMagic);
    EXPECT_EQ(with([&](TestBytes& b) { b.Block(4).U16(0).StreamHeader(0).Raw(nodes.bytes()); }).fault,
              ImageFault::UnsupportedCodec);
    EXPECT_EQ(with([&](TestBytes& b) { b.Block(5).StreamHeader(0).Raw(nodes.bytes()); }).fault,
              ImageFault::UnknownCodec);
    EXPECT_EQ(with([&](TestBytes& b) { b.Block(0).U16(0xADAE).U32(1).U32(0).Raw(nodes.bytes()); }).fault,
              ImageFault::BadStreamMagic);
    EXPECT_EQ(with([&](TestBytes& b) { b.Block(0).U16(0xADAD).U32(2).U32(0).Raw(nodes.bytes()); }).fault,
              ImageFault::BadStreamVersion);
    EXPECT_EQ(with([&](TestBytes& b) { b.Block(0).U16(0xADAD).U32(1); }).fault, ImageFault::Truncated);
    EXPECT_EQ(with([&](TestBytes& b) { b.Text("TLs"); }).fault, ImageFault::Truncated);
    const Outcome codec3 = with([&](TestBytes& b) { b.Block(3).StreamHeader(0).Raw(nodes.bytes()); });
    EXPECT_EQ(codec3.code, kImageOk);  // codec 3 reads like codec 0
    EXPECT_EQ(codec3.image.layout.plainCodec, 3u);
    // Every refusal of the contents is reported with one code.
    EXPECT_EQ(with([&](TestBytes& b) { b.Block(5); }).code, kImageUnreadable);
}

TEST(RegistryReader, FlagsByteOfEightOrMoreIsRefused) {
    for (uint8_t flags : {8, 9, 0x10, 0xFF}) {
        TestBytes nodes;
        nodes.U8(flags).U32(0x01000000).U32(0x09000001);
        EXPECT_EQ(Read(PlainImage(nodes)).fault, ImageFault::BadFlags) << int(flags);
    }
    // Also in a child position.
    TestBytes nodes;
    nodes.U8(2).U32(0x01000000).U32(0x09000001).U8(8).U32(0x01000001).U32(0x09000001);
    EXPECT_EQ(Read(PlainImage(nodes)).fault, ImageFault::BadFlags);
}

TEST(RegistryReader, ValueRunningPastTheEndIsRefused) {
    TestBytes nodes;
    nodes.U8(1).U32(0x2A000001).U16(64).Fill(10, 0x11);
    const Outcome o = Read(PlainImage(nodes));
    EXPECT_EQ(o.code, kImageUnreadable);
    EXPECT_EQ(o.fault, ImageFault::Truncated);
    EXPECT_FALSE(o.image.top);  // nothing of the partial tree is kept

    TestBytes array;  // array of 4-byte integers claiming more elements than there are
    array.U8(1).U32(0x49000001).U16(1000).U16(4).Fill(16, 0);
    EXPECT_EQ(Read(PlainImage(array)).fault, ImageFault::Truncated);

    TestBytes attrs;  // attribute list never ended
    attrs.U8(0).U32(0x01000000).U32(0x09000002).U32(7);
    EXPECT_EQ(Read(PlainImage(attrs)).fault, ImageFault::Truncated);
}

TEST(RegistryReader, ValueTypeWithoutEncodingIsRefused) {
    TestBytes nodes;
    nodes.U8(1).U32(0x13000001).U32(0).U32(0x09000001);  // type 19
    EXPECT_EQ(Read(PlainImage(nodes)).fault, ImageFault::BadValueType);
    TestBytes noValue;  // the same identifier without a value is fine
    noValue.U8(0).U32(0x13000001).U32(0x09000001);
    EXPECT_EQ(Read(PlainImage(noValue)).code, kImageOk);
}

TEST(RegistryReader, EveryValueEncoding) {
    TestBytes n;
    n.U8(0).U32(0x01000000);
    n.U32(0x02000001).U8(0x7F);
    n.U32(0x03000002).U16(0xBEEF);
    n.U32(0x09000003).U32(0xDEADBEEF);
    n.U32(0x0A000004).U8(1);
    n.U32(0x0B000005).U32(1).U32(2);
    n.U32(0x0D000006).Fill(16, 0x5A);
    n.U32(0x28000007).U16(2).Text("hi");
    n.U32(0x28000008).U16(0xFFFF);  // absent: only its two length bytes
    n.U32(0x29000009).U16(4).Raw({'h', 0, 'i', 0});
    n.U32(0x2A00000A).U16(3).Raw({1, 2, 3});
    n.U32(0x4A00000B).U16(9).U16(1).Raw({0x01, 0x01});  // nine booleans in two bytes
    n.U32(0x4900000C).U16(2).U16(4).U32(10).U32(20);
    n.U32(0x6A00000D).U16(2).U16(2).U16(2).Raw({7, 8}).U16(1).Raw({9});
    n.U32(0x6800000E).U16(2).U16(1).U16(0xFFFF).U16(1).Text("z");
    n.U32(0x41000010).U16(3).U16(0);  // three elements of no bytes
    n.U32(0x8900000F).U32(1);         // bit 31 of an identifier is ignored
    n.U32(0x12000001);                // the other end mark
    const Outcome o = Read(PlainImage(n));
    ASSERT_EQ(o.code, kImageOk) << ImageFaultName(o.fault);
    const Node& r = *o.image.top->FirstChild();
    ASSERT_EQ(r.Attributes().size(), 16u);
    auto attr = [&](NodeId id) -> const Value& { return *r.FindAttribute(id); };
    auto bytes = [](const Value& v) { return std::vector<uint8_t>(v.Data().begin(), v.Data().end()); };
    EXPECT_EQ(bytes(attr(0x02000001)), (std::vector<uint8_t>{0x7F}));
    EXPECT_EQ(bytes(attr(0x03000002)), (std::vector<uint8_t>{0xEF, 0xBE}));
    uint32_t u = 0;
    EXPECT_TRUE(attr(0x09000003).AsU32(u));
    EXPECT_EQ(u, 0xDEADBEEFu);
    EXPECT_EQ(bytes(attr(0x0A000004)), (std::vector<uint8_t>{1}));
    EXPECT_EQ(attr(0x0B000005).Size(), 8u);
    EXPECT_EQ(attr(0x0D000006).Size(), 16u);
    EXPECT_EQ(bytes(attr(0x28000007)), (std::vector<uint8_t>{'h', 'i', 0}));  // zero added in memory
    EXPECT_EQ(attr(0x28000008).Size(), 0u);
    EXPECT_EQ(bytes(attr(0x29000009)), (std::vector<uint8_t>{'h', 0, 'i', 0}));
    EXPECT_EQ(bytes(attr(0x2A00000A)), (std::vector<uint8_t>{1, 2, 3}));
    const Value& bools = attr(0x4A00000B);
    ASSERT_EQ(bools.Count(), 9u);
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(bools.BoolAt(i), i == 0 || i == 8) << i;
    const Value& ints = attr(0x4900000C);
    ASSERT_EQ(ints.Count(), 2u);
    EXPECT_EQ(ints.Element(1).data[0], 20);
    const Value& blobs = attr(0x6A00000D);
    ASSERT_EQ(blobs.Count(), 2u);
    EXPECT_EQ(blobs.ElementSize(), 2u);
    EXPECT_EQ(blobs.Element(1).size, 1u);
    const Value& strings = attr(0x6800000E);
    ASSERT_EQ(strings.Count(), 2u);
    EXPECT_EQ(strings.Element(0).size, 0u);  // absent element
    EXPECT_EQ(strings.Element(1).size, 2u);  // "z" and its zero
    EXPECT_EQ(attr(0x41000010).Count(), 3u);
    EXPECT_NE(r.FindAttribute(0x0900000F), nullptr);
}

TEST(RegistryReader, SiblingRunsIncludingNestedRuns) {
    TestBytes n;
    n.U8(2 | 4).U32(0x01000000).U32(0x09000001);         // root opens a run of roots
    n.U8(1 | 4).U32(0x09000011).U32(1).U32(0x09000001);  // first child, opens a run
    n.U8(4).U32(0x01000012).U32(0x09000001);             // in the run, opens a nested run
    n.U8(0).U32(0x01000013).U32(0x09000001);
    n.U8(0xFF);                                          // closes the nested run
    n.U8(2).U32(0x01000014).U32(0x09000001);             // last child, with a lone child
    n.U8(0).U32(0x01000021).U32(0x09000001);
    n.U8(0xFF);                                          // closes the children's run
    n.U8(0).U32(0x01000002).U32(0x09000001);             // second root
    n.U8(0xFF);                                          // closes the roots' run
    const Outcome o = Read(PlainImage(n));
    ASSERT_EQ(o.code, kImageOk) << ImageFaultName(o.fault);
    const Node& top = *o.image.top;
    ASSERT_EQ(top.ChildCount(), 2u);
    EXPECT_EQ(top.LastChild()->Id(), 0x01000002u);
    const Node& root = *top.FirstChild();
    std::vector<NodeId> ids;
    for (const Node* c = root.FirstChild(); c; c = c->NextSibling()) ids.push_back(c->Id());
    EXPECT_EQ(ids, (std::vector<NodeId>{0x09000011, 0x01000012, 0x01000013, 0x01000014}));
    ASSERT_NE(root.LastChild()->FirstChild(), nullptr);
    EXPECT_EQ(root.LastChild()->FirstChild()->Id(), 0x01000021u);

    TestBytes open;  // a run that is never closed
    open.U8(4).U32(0x01000000).U32(0x09000001).U8(0).U32(0x01000001).U32(0x09000001);
    EXPECT_EQ(Read(PlainImage(open)).fault, ImageFault::Truncated);
}

// A tree stream of 40 node bytes with check block size 16: the ten header
// bytes count, so check values follow node bytes 6, 22 and 38; the final
// one covers the last two.
namespace {

TestBytes CheckedNodes() {
    TestBytes n;
    n.U8(1).U32(0x2A000001).U16(29);
    for (int i = 0; i < 29; ++i) n.U8(static_cast<uint8_t>('a' + i % 26));
    n.U32(0x09000001);
    return n;
}

TestBytes CheckedImage(const TestBytes& nodes, size_t corruptCheck = 99) {
    const std::vector<uint8_t>& b = nodes.bytes();
    TestBytes img;
    img.Header(5).Block(0).StreamHeader(16);
    const size_t cuts[] = {0, 6, 22, 38, b.size()};
    for (size_t i = 0; i + 1 < 5; ++i) {
        const size_t from = cuts[i], to = cuts[i + 1];
        if (from == to) break;
        img.Raw(std::vector<uint8_t>(b.begin() + from, b.begin() + to));
        uint32_t crc = Crc32Update(kCrcStart, b.data() + from, to - from);
        if (i == corruptCheck) crc ^= 0x100;
        img.U32(crc);
    }
    return img;
}

}  // namespace

TEST(RegistryReader, CheckValuesCountHeaderBytesButCoverOnlyNodeBytes) {
    const TestBytes nodes = CheckedNodes();
    ASSERT_EQ(nodes.size(), 40u);
    const Outcome ok = Read(CheckedImage(nodes));
    ASSERT_EQ(ok.code, kImageOk) << ImageFaultName(ok.fault);
    EXPECT_EQ(ok.image.top->FirstChild()->GetValue().Size(), 29u);

    for (size_t which = 0; which < 4; ++which) {
        const Outcome o = Read(CheckedImage(nodes, which));
        EXPECT_EQ(o.fault, ImageFault::BadCheckValue) << "check value " << which;
        EXPECT_EQ(o.code, kImageUnreadable);
    }
    TestBytes changed = CheckedImage(nodes);
    changed.bytes()[8 + 6 + 10 + 6 + 4 + 3] ^= 1;  // a string byte in the second block
    EXPECT_EQ(Read(changed).fault, ImageFault::BadCheckValue);
}

TEST(RegistryReader, NoFinalCheckValueWhenTheStreamEndsOnABlockBoundary) {
    TestBytes n;  // 38 node bytes: the last check value follows byte 38, nothing after
    n.U8(1).U32(0x2A000001).U16(27);
    n.Fill(27, 'q');
    n.U32(0x09000001);
    ASSERT_EQ(n.size(), 38u);
    TestBytes img = CheckedImage(n);
    EXPECT_EQ(img.size(), 8u + 6 + 10 + 38 + 3 * 4);
    EXPECT_EQ(Read(img).code, kImageOk);
}

TEST(RegistryReader, BlockSizeZeroMeansNoCheckValues) {
    TestBytes img = PlainImage(CheckedNodes());
    EXPECT_EQ(img.size(), 8u + 6 + 10 + 40);
    EXPECT_EQ(Read(img).code, kImageOk);
}

TEST(RegistryReader, ChunkedImageWithTrailerAfterTheLastChunk) {
    // Codec 2 (largest chunk 16) around a plain block; a signature trailer
    // follows the chunks and is never read.
    TestBytes inner;
    inner.Block(0).StreamHeader(0).Raw(TinyNodes().bytes());
    TestBytes img;
    img.Header(5).Block(2).U32(16).U16(0);
    for (size_t at = 0; at < inner.size(); at += 16) {
        const size_t len = std::min<size_t>(16, inner.size() - at);
        img.U32(Crc32Update(kCrcStart, inner.bytes().data() + at, len)).U16(static_cast<uint16_t>(len));
        img.Raw(std::vector<uint8_t>(inner.bytes().begin() + at, inner.bytes().begin() + at + len));
    }
    img.Raw({0x0D, 0x0A, ';', ':'}).Fill(88, 'A').Text("%%");
    const Outcome o = Read(img);
    ASSERT_EQ(o.code, kImageOk) << ImageFaultName(o.fault);
    ASSERT_EQ(o.image.layout.codecs.size(), 1u);
    EXPECT_EQ(o.image.layout.codecs[0].codec, 2u);
    EXPECT_EQ(o.image.layout.codecs[0].param, 16u);

    // Over-long chunk and wrong chunk check inside an image.
    TestBytes tooLong = img;
    tooLong.bytes()[8 + 12 + 4] = 17;  // first chunk's length field
    EXPECT_EQ(Read(tooLong).fault, ImageFault::ChunkTooLong);
    TestBytes badCheck = img;
    badCheck.bytes()[8 + 12] ^= 0xFF;
    EXPECT_EQ(Read(badCheck).fault, ImageFault::BadChunkCheck);
}

TEST(RegistryReader, Lz77ImageWithNoOpCopiesAndEndMark) {
    TestBytes inner;
    inner.Block(0).StreamHeader(0).Raw(BuiltinNodes().bytes());
    TestBytes img;
    img.Header(5).Block(1).U32(8192).U16(0).Raw(HandLz77(inner.bytes(), {0, 3, 17, 40}));
    img.Text("anything after the end mark");
    const Outcome o = Read(img);
    ASSERT_EQ(o.code, kImageOk) << ImageFaultName(o.fault);
    EXPECT_EQ(o.image.top->FirstChild()->FirstChild()->GetValue().Size(), 64u);

    // Without the end mark the stream still ends with its input.
    TestBytes open;
    open.Header(5).Block(1).U32(8192).U16(0).Raw(HandLz77(inner.bytes(), {}, false));
    EXPECT_EQ(Read(open).code, kImageOk);
}

TEST(RegistryReader, TreeStreamCutShortInsideCodecs) {
    TestBytes inner;
    inner.Block(0).StreamHeader(0).Raw(BuiltinNodes().bytes());
    inner.bytes().resize(inner.size() - 5);
    TestBytes img;
    img.Header(5).Block(1).U32(8192).U16(0).Raw(HandLz77(inner.bytes()));
    EXPECT_EQ(Read(img).fault, ImageFault::Truncated);
}

TEST(RegistryReader, BlockSizeNotAboveTheHeaderGetsACheckValueRightAfterIt) {
    // The ten header bytes already fill a block of 10: its check value (over
    // no node bytes, so the start value) follows at once; then one per ten
    // node bytes, and the final one.
    TestBytes n;
    n.U8(1).U32(0x2A000001).U16(6).Text("abcdef").U32(0x09000001);  // 17 node bytes
    TestBytes img;
    img.Header(5).Block(0).StreamHeader(10).U32(0xFFFFFFFF);
    img.Raw(std::vector<uint8_t>(n.bytes().begin(), n.bytes().begin() + 10));
    img.U32(Crc32Update(kCrcStart, n.bytes().data(), 10));
    img.Raw(std::vector<uint8_t>(n.bytes().begin() + 10, n.bytes().end()));
    img.U32(Crc32Update(kCrcStart, n.bytes().data() + 10, 7));
    const Outcome o = Read(img);
    ASSERT_EQ(o.code, kImageOk) << ImageFaultName(o.fault);
    EXPECT_EQ(o.image.top->FirstChild()->GetValue().Size(), 6u);
    TestBytes wrong = img;
    wrong.bytes()[8 + 6 + 10] = 0;  // the check value right after the header
    EXPECT_EQ(Read(wrong).fault, ImageFault::BadCheckValue);
}
