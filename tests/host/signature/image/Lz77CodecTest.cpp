#include "image/Lz77Decoder.h"
#include "image/Lz77Encoder.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace sgvr;
using sgvr_test::TestBytes;

namespace {

struct Decoded {
    ImageFault fault;
    std::string text;
};

Decoded Decode(const TestBytes& in, size_t maxOutput = size_t(1) << 24) {
    Bytes out;
    const ImageFault f = Lz77DecodeAll(in.view(), out, maxOutput);
    return {f, std::string(out.begin(), out.end())};
}

std::vector<uint8_t> RoundTrip(const std::vector<uint8_t>& data, ImageFault& fault) {
    const std::vector<uint8_t> packed = Lz77Compress(ByteView(data.data(), data.size()));
    Bytes out;
    fault = Lz77DecodeAll(ByteView(packed.data(), packed.size()), out, size_t(1) << 26);
    return std::vector<uint8_t>(out.begin(), out.end());
}

}  // namespace

// Flag bits are used least significant first; 1 = literal, 0 then 1 = long
// copy (here with length byte 0: the end mark).
TEST(Lz77Decoder, LiteralsThenEndMark) {
    TestBytes in;
    in.U16(0x000B).Text("ab").Raw({0, 0, 0});  // bits 1,1,0,1
    const Decoded d = Decode(in);
    EXPECT_EQ(d.fault, ImageFault::None);
    EXPECT_EQ(d.text, "ab");
}

TEST(Lz77Decoder, ShortCopyOverlapsItself) {
    // literal 'x'; short copy b1=1 b2=1 (length 5), x byte 255 (distance 1); end.
    TestBytes in;
    in.U16(0x59).Text("x").U8(255).Raw({0, 0, 0});  // bits 1, 0,0,1,1, 0,1
    const Decoded d = Decode(in);
    EXPECT_EQ(d.fault, ImageFault::None);
    EXPECT_EQ(d.text, "xxxxxx");
}

TEST(Lz77Decoder, ShortCopyLengthBitsComeB1First) {
    // Same as above but b1=1 b2=0: length 4.
    TestBytes in;
    in.U16(0b1001001).Text("x").U8(255).Raw({0, 0, 0});  // bits 1, 0,0,1,0, 0,1
    EXPECT_EQ(Decode(in).text, "xxxxx");
}

TEST(Lz77Decoder, LongCopyLengthInHighByteOrInExtraByte) {
    // "abc", then long copy distance 3 length 9: v = 8189 -> lo 0xFD, hi (0x1F<<3)|7.
    TestBytes a;
    a.U16(0b1010111).Text("abc").U8(0xFD).U8(0xFF).Raw({0, 0, 0});  // bits 1,1,1, 0,1, 0,1
    EXPECT_EQ(Decode(a).text, "abcabcabcabc");

    // Length byte t = 19 gives length 20.
    TestBytes b;
    b.U16(0b1010111).Text("abc").U8(0xFD).U8(0xF8).U8(19).Raw({0, 0, 0});
    const Decoded d = Decode(b);
    EXPECT_EQ(d.fault, ImageFault::None);
    EXPECT_EQ(d.text, "abc" + std::string("abcabcabcabcabcabcab"));
}

TEST(Lz77Decoder, LengthByteOneIsANoOpAndTheStreamGoesOn) {
    // 'a', long copy with length byte 1 (no output), 'b', end.
    TestBytes in;
    in.U16(0b101101).Text("a").Raw({0x00, 0xF8, 1}).Text("b").Raw({0, 0, 0});  // bits 1, 0,1, 1, 0,1
    const Decoded d = Decode(in);
    EXPECT_EQ(d.fault, ImageFault::None);
    EXPECT_EQ(d.text, "ab");
}

TEST(Lz77Decoder, LengthByteZeroEndsTheStreamWhateverFollows) {
    TestBytes in;
    in.U16(0b1011).Text("ab").Raw({0, 0, 0}).Text("garbage after the end");
    const Decoded d = Decode(in);
    EXPECT_EQ(d.fault, ImageFault::None);
    EXPECT_EQ(d.text, "ab");
}

TEST(Lz77Decoder, NextFlagWordComesBeforeTheBytesOfTheItemThatUsedTheLastBit) {
    // Sixteen literals: the second flag word sits between the 15th and the
    // 16th literal byte.
    TestBytes in;
    in.U16(0xFFFF).Text("ABCDEFGHIJKLMNO").U16(0b10).Text("P").Raw({0, 0, 0});
    const Decoded d = Decode(in);
    EXPECT_EQ(d.fault, ImageFault::None);
    EXPECT_EQ(d.text, "ABCDEFGHIJKLMNOP");
}

TEST(Lz77Decoder, CopyReachingBeforeTheStartIsRefused) {
    TestBytes shortCopy;
    shortCopy.U16(0b0).U8(255);  // short copy of 2 at distance 1 with no output yet
    EXPECT_EQ(Decode(shortCopy).fault, ImageFault::CopyBeforeStart);

    TestBytes longCopy;  // one literal, then distance 2
    longCopy.U16(0b101).Text("a").U8(0xFE).U8(0xFF);
    const Decoded d = Decode(longCopy);
    EXPECT_EQ(d.fault, ImageFault::CopyBeforeStart);
    EXPECT_EQ(d.text, "a");

    TestBytes exact;  // distance 3 after three bytes is fine, 4 is not
    exact.U16(0b1010111).Text("abc").U8(0xFD).U8(0xF9).Raw({0, 0, 0});
    EXPECT_EQ(Decode(exact).text, "abcabc");
    exact.bytes()[5] = 0xFC;
    EXPECT_EQ(Decode(exact).fault, ImageFault::CopyBeforeStart);
}

TEST(Lz77Decoder, TruncatedItemAndOutputBound) {
    TestBytes cut;
    cut.U16(0b111).Text("ab");  // third literal's byte missing
    const Decoded d = Decode(cut);
    EXPECT_EQ(d.fault, ImageFault::Truncated);
    EXPECT_EQ(d.text, "ab");

    // 'x' then long copies of 256 bytes at distance 1, many times: a few
    // input bytes ask for far more output than allowed.
    TestBytes bomb;
    bomb.U16(0x1555).Text("x");  // bits 1, (0,1) x 5, 0,1
    for (int i = 0; i < 5; ++i) bomb.Raw({0xFF, 0xF8, 255});
    bomb.Raw({0, 0, 0});
    EXPECT_EQ(Decode(bomb).text.size(), 1281u);
    EXPECT_EQ(Decode(bomb, 1000).fault, ImageFault::DecodedTooLarge);
}

TEST(Lz77Encoder, RoundTripsVariedData) {
    std::mt19937 rng(3);
    std::vector<std::vector<uint8_t>> inputs;
    inputs.push_back({});
    inputs.push_back({42});
    inputs.push_back({1, 2});
    std::vector<uint8_t> random(70000);
    for (auto& b : random) b = static_cast<uint8_t>(rng());
    inputs.push_back(random);
    inputs.push_back(std::vector<uint8_t>(100000, 0));  // long overlapping copies across pieces
    std::vector<uint8_t> text;
    while (text.size() < 50000) {
        const std::string w = "node " + std::to_string(rng() % 300) + " hash ";
        text.insert(text.end(), w.begin(), w.end());
    }
    inputs.push_back(text);
    std::vector<uint8_t> far(40000);  // repeats at exactly the window's reach
    for (size_t i = 0; i < far.size(); ++i) far[i] = i < 8192 ? static_cast<uint8_t>(rng()) : far[i - 8192];
    inputs.push_back(far);

    for (const auto& in : inputs) {
        ImageFault fault;
        EXPECT_EQ(RoundTrip(in, fault), in) << "size " << in.size();
        EXPECT_EQ(fault, ImageFault::None);
    }
    // Compression does happen on repetitive input.
    EXPECT_LT(Lz77Compress(ByteView(text.data(), text.size())).size(), text.size() / 2);
}

TEST(Lz77Encoder, EveryFlagWordBoundaryPosition) {
    // Inputs of each length up to 40 put the end mark's bits at every
    // position of a flag word, including right after a full word.
    std::mt19937 rng(5);
    for (size_t n = 0; n <= 40; ++n) {
        std::vector<uint8_t> in(n);
        for (auto& b : in) b = static_cast<uint8_t>(rng() % 3);
        ImageFault fault;
        EXPECT_EQ(RoundTrip(in, fault), in) << n;
        EXPECT_EQ(fault, ImageFault::None) << n;
    }
}
