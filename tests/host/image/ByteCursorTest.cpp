#include <gtest/gtest.h>

#include "ByteCursor.h"

TEST(ByteCursor, ReadsLittleEndianAndFailsWithoutMoving) {
    const uint8_t data[] = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAA, 0xBB};
    sgvr::ByteCursor c(sgvr::ByteView(data, sizeof data));
    uint8_t b = 0;
    uint16_t w = 0;
    uint32_t d = 0;
    ASSERT_TRUE(c.ReadU8(b));
    EXPECT_EQ(b, 0x01);
    ASSERT_TRUE(c.ReadU16(w));
    EXPECT_EQ(w, 0x1234);
    ASSERT_TRUE(c.ReadU32(d));
    EXPECT_EQ(d, 0x12345678u);
    EXPECT_EQ(c.Remaining(), 2u);
    // Not enough left: fails and stays put.
    EXPECT_FALSE(c.ReadU32(d));
    EXPECT_EQ(c.Remaining(), 2u);
    uint8_t two[2];
    EXPECT_FALSE(c.ReadBytes(two, 3));
    ASSERT_TRUE(c.ReadBytes(two, 2));
    EXPECT_EQ(two[1], 0xBB);
    EXPECT_TRUE(c.AtEnd());
    EXPECT_FALSE(c.ReadU8(b));
    EXPECT_TRUE(c.ReadBytes(two, 0));
}

TEST(ByteCursor, TakeHandsOutAViewOnlyWhenTheBytesAreThere) {
    const uint8_t data[] = {0xDE, 0xAD, 0xBE, 0xEF};
    sgvr::ByteCursor c(sgvr::ByteView(data, sizeof data));
    sgvr::ByteView view;
    EXPECT_FALSE(c.Take(5, view));
    EXPECT_EQ(c.Remaining(), 4u);
    ASSERT_TRUE(c.Take(3, view));
    EXPECT_EQ(view.data, data);
    EXPECT_EQ(view.size, 3u);
    EXPECT_EQ(c.Remaining(), 1u);
    sgvr::ByteCursor none{sgvr::ByteView()};
    uint8_t b;
    EXPECT_TRUE(none.AtEnd());
    EXPECT_FALSE(none.ReadU8(b));
}
