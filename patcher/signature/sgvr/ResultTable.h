#pragma once
// The hash provider's table from the small results of the signature
// arithmetic (0 to 16) to library statuses, read from the parameter registry
// (nodes 0x0928nnnn under node 0x09280001).
#include <cstdint>

#include "bytes/ByteView.h"

namespace sgvr {

class ResultTable {
public:
    // SGVR_OK, or the reader's refusal of the image; SGVR_E_NO_MATCH when the
    // image holds no table.
    uint32_t Load(ByteView parameterRegistry);
    // A small result the table does not name counts as a mismatch.
    uint32_t StatusOf(int smallResult) const;

private:
    static constexpr int kSize = 17;
    uint32_t status_[kSize] = {};
    bool present_[kSize] = {};
};

}  // namespace sgvr
