#include <gtest/gtest.h>

#include <cstring>

#include "arith/Radix64.h"
#include "TestHex.h"

using namespace sgvrtest;

TEST(Radix64, AlphabetAndLeastSignificantBitsFirst) {
    EXPECT_EQ(sgvr::Radix64Value('0'), 0);
    EXPECT_EQ(sgvr::Radix64Value('9'), 9);
    EXPECT_EQ(sgvr::Radix64Value('A'), 10);
    EXPECT_EQ(sgvr::Radix64Value('Z'), 35);
    EXPECT_EQ(sgvr::Radix64Value('a'), 36);
    EXPECT_EQ(sgvr::Radix64Value('z'), 61);
    EXPECT_EQ(sgvr::Radix64Value('+'), 62);
    EXPECT_EQ(sgvr::Radix64Value('/'), 63);
    EXPECT_EQ(sgvr::Radix64Value('='), -1);
    EXPECT_EQ(sgvr::Radix64Value('\r'), -1);
    // "1" "0": 1 | 0 << 6 -> byte 0x01; "/" "/" "/" "/": 24 one bits -> FF FF FF.
    uint8_t out[8];
    ASSERT_EQ(sgvr::DecodeRadix64("10", 2, out, sizeof out), 1u);
    EXPECT_EQ(out[0], 0x01);
    ASSERT_EQ(sgvr::DecodeRadix64("////", 4, out, sizeof out), 3u);
    EXPECT_EQ(ToHex(out, 3), "ffffff");
    // "A" = 10 in the low six bits, "1" = 1 above them: 0b01_001010 = 0x4A.
    ASSERT_EQ(sgvr::DecodeRadix64("A1", 2, out, sizeof out), 1u);
    EXPECT_EQ(out[0], 0x4A);
}

TEST(Radix64, RoundTripAndCapacityRule) {
    uint8_t data[66];
    for (int i = 0; i < 66; ++i) data[i] = static_cast<uint8_t>(i * 37 + 5);
    char text[88];
    ASSERT_EQ(sgvr::EncodeRadix64(data, 66, text, sizeof text), 88u);
    EXPECT_EQ(sgvr::Radix64DecodedCapacity(88), 66u);
    uint8_t back[66];
    ASSERT_EQ(sgvr::DecodeRadix64(text, 88, back, sizeof back), 66u);
    EXPECT_EQ(0, std::memcmp(data, back, 66));
    for (size_t n = 0; n < 20; ++n) {
        // The rule's size is always enough for n characters.
        std::string t(n, 'z');
        std::vector<uint8_t> buf(sgvr::Radix64DecodedCapacity(n) + 1, 0xEE);
        const size_t got = sgvr::DecodeRadix64(t.data(), n, buf.data(), buf.size() - 1);
        EXPECT_EQ(got, n * 6 / 8) << n;
        EXPECT_EQ(buf.back(), 0xEE) << n;
    }
}

TEST(Radix64, StopsAtForeignCharacterAndAtFullBuffer) {
    uint8_t out[66];
    std::string text(88, 'a');
    text[40] = '-';
    EXPECT_EQ(sgvr::DecodeRadix64(text.data(), text.size(), out, sizeof out), 40u * 6 / 8);
    uint8_t small[5];
    std::memset(small, 0, sizeof small);
    uint8_t guard[4] = {1, 2, 3, 4};
    EXPECT_EQ(sgvr::DecodeRadix64(std::string(88, 'z').data(), 88, small, 4), 4u);
    EXPECT_EQ(small[4], 0);
    EXPECT_EQ(guard[0], 1);
    EXPECT_EQ(sgvr::DecodeRadix64(nullptr, 4, out, sizeof out), 0u);
    EXPECT_EQ(sgvr::DecodeRadix64("0000", 4, nullptr, 4), 0u);
}
