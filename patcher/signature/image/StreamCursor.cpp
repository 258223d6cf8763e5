#include "image/StreamCursor.h"

namespace sgvr {

bool StreamCursor::Refill() {
    if (fault_ != ImageFault::None) return false;
    ByteView piece = source_->NextPiece();
    if (piece.empty()) {
        fault_ = source_->Fault();  // None at a clean end
        return false;
    }
    pos_ = piece.data;
    end_ = piece.data + piece.size;
    return true;
}

bool StreamCursor::ReadSlow(uint8_t* dst, size_t n) {
    while (n != 0) {
        if (pos_ == end_ && !Refill()) return Short();
        size_t k = static_cast<size_t>(end_ - pos_);
        if (k > n) k = n;
        std::memcpy(dst, pos_, k);
        dst += k;
        pos_ += k;
        n -= k;
    }
    return true;
}

}  // namespace sgvr
