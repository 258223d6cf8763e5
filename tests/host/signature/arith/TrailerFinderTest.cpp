#include <gtest/gtest.h>

#include <string>

#include "arith/TrailerFinder.h"

namespace {

int Find(const std::string& s, size_t* pos) {
    return sgvr::FindTrailerMarker(reinterpret_cast<const uint8_t*>(s.data()), s.size(), pos);
}

}  // namespace

TEST(TrailerFinder, LastCompleteMarkerWins) {
    size_t pos = 99;
    EXPECT_EQ(Find("abc\r\n;:def\r\n;:xyz", &pos), 4);
    EXPECT_EQ(pos, 10u);
    EXPECT_EQ(Find("\r\n;:", &pos), 4);
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(Find("no marker here", &pos), 0);
    EXPECT_EQ(Find("", &pos), 0);
    EXPECT_EQ(Find("\r\n;x\n;:", &pos), 0);
}

TEST(TrailerFinder, PartialMarkerAtTheEndIsAnsweredFirst) {
    size_t pos = 0;
    EXPECT_EQ(Find("x\r\n;:y\r", &pos), 1);
    EXPECT_EQ(pos, 6u);
    EXPECT_EQ(Find("xy\r\n", &pos), 2);
    EXPECT_EQ(pos, 2u);
    EXPECT_EQ(Find("xyz\r\n;", &pos), 3);
    EXPECT_EQ(pos, 3u);
    EXPECT_EQ(Find("\r", &pos), 1);
    EXPECT_EQ(pos, 0u);
    // A complete marker at the very end is complete, not partial.
    EXPECT_EQ(Find("ab\r\n;:", &pos), 4);
    EXPECT_EQ(pos, 2u);
}
