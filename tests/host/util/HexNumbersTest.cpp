#include "util/HexNumbers.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(HexNumbers, ReadsLeadingHexDigits) {
    EXPECT_EQ(HexToInt(L"ff"), 255);
    EXPECT_EQ(HexToInt(L"1F"), 31);
    EXPECT_EQ(HexToInt(L"  a"), 10);
    EXPECT_EQ(HexToInt(L"10zz"), 16);
    EXPECT_EQ(HexToInt(L"0"), 0);
}

TEST(HexNumbers, NothingReadableGivesZero) {
    EXPECT_EQ(HexToInt(nullptr), 0);
    EXPECT_EQ(HexToInt(L"zz"), 0);
    EXPECT_EQ(HexToInt(L""), 0);
    EXPECT_EQ(HexToInt(L"123456789"), 0);  // more than 32 bits
}

TEST(HexNumbers, WritesLowerCaseWithoutPrefixOrLeadingZeros) {
    EXPECT_EQ(IntToHex(255), L"ff");
    EXPECT_EQ(IntToHex(10), L"a");
    EXPECT_EQ(IntToHex(16), L"10");
    EXPECT_EQ(IntToHex(0), L"0");
    EXPECT_EQ(IntToHex(-1), L"ffffffff");
}

TEST(HexNumbers, EveryWrittenNumberReadsBack) {
    for (int n : {0, 1, 9, 10, 255, 4096, INT_MAX, INT_MIN, -1, -2, -4096}) EXPECT_EQ(HexToInt(IntToHex(n).c_str()), n);
}

}  // namespace
