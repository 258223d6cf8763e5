#include "image/ChunkDecoder.h"
#include "image/ChunkEncoder.h"
#include "image/Crc32.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <string>

using namespace sgvr;
using sgvr_test::TestBytes;

namespace {

struct Decoded {
    ImageFault fault;
    std::string text;
};

Decoded Decode(const TestBytes& in, uint32_t largest, size_t maxOutput = 1 << 20) {
    ViewSource source(in.view());
    ChunkDecoder decoder(StreamCursor(source), largest, maxOutput);
    std::string out;
    for (ByteView p = decoder.NextPiece(); !p.empty(); p = decoder.NextPiece()) out.append(p.begin(), p.end());
    return {decoder.Fault(), out};
}

uint32_t Crc(const std::string& s) {
    return Crc32Update(kCrcStart, reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

TestBytes& Chunk(TestBytes& b, const std::string& s) { return b.U32(Crc(s)).U16(static_cast<uint16_t>(s.size())).Text(s); }

}  // namespace

TEST(ChunkDecoder, JoinsCheckedChunks) {
    TestBytes in;
    Chunk(in, "hello ");
    Chunk(in, "");
    Chunk(in, "world");
    const Decoded d = Decode(in, 6);
    EXPECT_EQ(d.fault, ImageFault::None);
    EXPECT_EQ(d.text, "hello world");
}

TEST(ChunkDecoder, ChunkAboveTheLargestLengthIsRefused) {
    TestBytes in;
    Chunk(in, "12345");
    Chunk(in, "1234567");
    const Decoded d = Decode(in, 6);
    EXPECT_EQ(d.fault, ImageFault::ChunkTooLong);
    EXPECT_EQ(d.text, "12345");
}

TEST(ChunkDecoder, WrongCheckValueIsRefused) {
    TestBytes in;
    in.U32(Crc("abc") ^ 1).U16(3).Text("abc");
    const Decoded d = Decode(in, 1024);
    EXPECT_EQ(d.fault, ImageFault::BadChunkCheck);
    EXPECT_EQ(d.text, "");
}

TEST(ChunkDecoder, ShortChunkAndShortHeaderAreTruncations) {
    TestBytes body;
    body.U32(Crc("abcd")).U16(4).Text("abc");
    EXPECT_EQ(Decode(body, 1024).fault, ImageFault::Truncated);
    TestBytes head;
    Chunk(head, "ok").Raw({1, 2, 3});
    const Decoded d = Decode(head, 1024);
    EXPECT_EQ(d.fault, ImageFault::Truncated);
    EXPECT_EQ(d.text, "ok");
}

TEST(ChunkDecoder, OutputBound) {
    TestBytes in;
    for (int i = 0; i < 10; ++i) Chunk(in, std::string(100, 'a'));
    const Decoded d = Decode(in, 1024, 550);
    EXPECT_EQ(d.fault, ImageFault::DecodedTooLarge);
    EXPECT_EQ(d.text.size(), 500u);
}

TEST(ChunkEncoder, CutsAtTheLargestLengthAndRoundTrips) {
    std::string data(2500, 'q');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    const std::vector<uint8_t> enc =
        EncodeChunks(ByteView(reinterpret_cast<const uint8_t*>(data.data()), data.size()), 1024);
    EXPECT_EQ(enc.size(), data.size() + 3 * 6);
    TestBytes in;
    in.Raw(enc);
    const Decoded d = Decode(in, 1024);
    EXPECT_EQ(d.fault, ImageFault::None);
    EXPECT_EQ(d.text, data);
}
