#pragma once
// A stage of the decoding chain: it hands out its output in pieces. A
// failure met while reading ahead is kept and shows only when the consumer
// asks for more, so bytes that nobody needs (for example a signature
// trailer after the data) never fail a read.

#include "bytes/ByteView.h"
#include "image/ImageStatus.h"

namespace sgvr {

class PieceSource {
public:
    virtual ~PieceSource() = default;
    // The next piece, valid until the next call; empty at the end of the
    // output, and after a failure (then Fault() tells which).
    virtual ByteView NextPiece() = 0;
    ImageFault Fault() const { return fault_; }

protected:
    ImageFault fault_ = ImageFault::None;
};

// The bytes of the image itself.
class ViewSource : public PieceSource {
public:
    explicit ViewSource(ByteView bytes) : rest_(bytes) {}
    ByteView NextPiece() override {
        ByteView piece = rest_;
        rest_ = ByteView();
        return piece;
    }

private:
    ByteView rest_;
};

}  // namespace sgvr
