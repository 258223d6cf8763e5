#include <gtest/gtest.h>

#include "ByteCursor.h"

TEST(ByteCursor, ReadsLittleAndBigEndianAndFailsWithoutMoving) {
    const uint8_t data[] = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAA, 0xBB};
    sgvr::CByteCursor c(data, sizeof data);
    uint8_t b = 0;
    uint16_t w = 0;
    uint32_t d = 0;
    ASSERT_TRUE(c.ReadU8(b));
    EXPECT_EQ(b, 0x01);
    ASSERT_TRUE(c.ReadU16LE(w));
    EXPECT_EQ(w, 0x1234);
    ASSERT_TRUE(c.ReadU32LE(d));
    EXPECT_EQ(d, 0x12345678u);
    EXPECT_EQ(c.Remaining(), 2u);
    // Not enough left: fails and stays put.
    EXPECT_FALSE(c.ReadU32LE(d));
    EXPECT_FALSE(c.ReadU32BE(d));
    EXPECT_EQ(c.Position(), 7u);
    uint8_t two[2];
    EXPECT_FALSE(c.ReadBytes(two, 3));
    ASSERT_TRUE(c.ReadBytes(two, 2));
    EXPECT_EQ(two[1], 0xBB);
    EXPECT_TRUE(c.AtEnd());
    EXPECT_FALSE(c.ReadU8(b));
    EXPECT_FALSE(c.Skip(1));
    EXPECT_TRUE(c.ReadBytes(two, 0));
}

TEST(ByteCursor, SeekViewAndEmptyInput) {
    const uint8_t data[] = {0xDE, 0xAD, 0xBE, 0xEF};
    sgvr::CByteCursor c(data, sizeof data);
    EXPECT_FALSE(c.Seek(5));
    ASSERT_TRUE(c.Seek(4));
    EXPECT_TRUE(c.AtEnd());
    ASSERT_TRUE(c.Seek(0));
    uint32_t be = 0;
    ASSERT_TRUE(c.ReadU32BE(be));
    EXPECT_EQ(be, 0xDEADBEEFu);
    ASSERT_TRUE(c.Seek(1));
    const uint8_t* view = nullptr;
    EXPECT_FALSE(c.ReadView(view, 4));
    ASSERT_TRUE(c.ReadView(view, 3));
    EXPECT_EQ(view, data + 1);
    // A null buffer is an empty one, whatever size is claimed.
    sgvr::CByteCursor none(nullptr, 100);
    uint8_t b;
    EXPECT_EQ(none.Size(), 0u);
    EXPECT_FALSE(none.ReadU8(b));
}
