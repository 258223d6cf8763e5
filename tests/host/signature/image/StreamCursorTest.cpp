// The one cursor every reader of image bytes goes through: little-endian
// fields, reads that span pieces, and a clean fault at the end of the data.
#include <gtest/gtest.h>

#include <vector>

#include "image/StreamCursor.h"

namespace {

// Hands out the bytes in pieces of the given sizes.
class Pieces : public sgvr::PieceSource {
public:
    Pieces(const std::vector<uint8_t>& bytes, std::vector<size_t> sizes) : bytes_(bytes), sizes_(std::move(sizes)) {}
    sgvr::ByteView NextPiece() override {
        if (next_ >= sizes_.size()) return sgvr::ByteView();
        const sgvr::ByteView piece(bytes_.data() + at_, sizes_[next_]);
        at_ += sizes_[next_++];
        return piece;
    }

private:
    const std::vector<uint8_t>& bytes_;
    std::vector<size_t> sizes_;
    size_t at_ = 0, next_ = 0;
};

}  // namespace

TEST(StreamCursor, ReadsLittleEndianFieldsAcrossPieces) {
    const std::vector<uint8_t> data = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAA, 0xBB};
    // Every field is split between two pieces.
    Pieces source(data, {2, 2, 3, 2});
    sgvr::StreamCursor c(source);
    uint8_t b = 0;
    uint16_t w = 0;
    uint32_t d = 0;
    ASSERT_TRUE(c.ReadU8(b));
    EXPECT_EQ(b, 0x01);
    ASSERT_TRUE(c.ReadU16(w));
    EXPECT_EQ(w, 0x1234);
    ASSERT_TRUE(c.ReadU32(d));
    EXPECT_EQ(d, 0x12345678u);
    // Two bytes left: a four-byte read fails, and the end is reported as such.
    EXPECT_FALSE(c.ReadU32(d));
    EXPECT_EQ(c.Fault(), sgvr::ImageFault::Truncated);
    EXPECT_FALSE(c.More());
}

TEST(StreamCursor, TakeUpToStaysInsideThePiece) {
    const std::vector<uint8_t> data = {0xDE, 0xAD, 0xBE, 0xEF};
    Pieces source(data, {3, 1});
    sgvr::StreamCursor c(source);
    sgvr::ByteView view = c.TakeUpTo(5);
    EXPECT_EQ(view.data, data.data());
    EXPECT_EQ(view.size, 3u);
    view = c.TakeUpTo(5);
    EXPECT_EQ(view.size, 1u);
    EXPECT_EQ(view.data[0], 0xEF);
    EXPECT_TRUE(c.TakeUpTo(1).empty());
    EXPECT_EQ(c.Fault(), sgvr::ImageFault::None);  // a clean end, not a failure

    sgvr::ViewSource nothing{sgvr::ByteView()};
    sgvr::StreamCursor none(nothing);
    uint8_t b;
    EXPECT_FALSE(none.More());
    EXPECT_FALSE(none.ReadU8(b));
    EXPECT_EQ(none.Fault(), sgvr::ImageFault::Truncated);
}
