#include "arith/GostHashSBox.h"

namespace sgvr {

const uint8_t kGostHashTestSBox[8][16] = {
    {1, 15, 13, 0, 5, 7, 10, 4, 9, 2, 3, 14, 6, 11, 8, 12},   // K8
    {13, 11, 4, 1, 3, 15, 5, 9, 0, 10, 14, 7, 6, 8, 2, 12},   // K7
    {4, 11, 10, 0, 7, 2, 1, 13, 3, 6, 8, 5, 9, 12, 15, 14},   // K6
    {6, 12, 7, 1, 5, 15, 13, 8, 4, 10, 9, 14, 0, 3, 11, 2},   // K5
    {7, 13, 10, 1, 0, 8, 9, 15, 14, 4, 6, 12, 11, 2, 5, 3},   // K4
    {5, 8, 1, 13, 10, 3, 4, 2, 14, 15, 12, 7, 6, 0, 9, 11},   // K3
    {14, 11, 4, 12, 6, 13, 15, 10, 2, 3, 8, 1, 0, 7, 5, 9},   // K2
    {4, 10, 9, 2, 13, 8, 0, 14, 6, 11, 1, 12, 7, 15, 5, 3},   // K1
};

void ExpandGostSBox(const uint8_t rows[8][16], CGostSBoxTables& out) {
    // Row K(j+1) substitutes nibble j of the round input; rows are stored K8 first.
    for (int i = 0; i < 4; ++i) {
        const uint8_t* lo = rows[7 - 2 * i];
        const uint8_t* hi = rows[6 - 2 * i];
        for (uint32_t b = 0; b < 256; ++b) {
            uint32_t v = (static_cast<uint32_t>(lo[b & 15]) | static_cast<uint32_t>(hi[b >> 4]) << 4)
                         << (8 * i);
            out.t[i][b] = (v << 11) | (v >> 21);
        }
    }
}

const CGostSBoxTables& GostHashTestTables() {
    static const CGostSBoxTables tables = [] {
        CGostSBoxTables t{};
        ExpandGostSBox(kGostHashTestSBox, t);
        return t;
    }();
    return tables;
}

}  // namespace sgvr
