#pragma once
// Substitution table of the GOST R 34.11-94 test parameter set and its expansion
// into four 256-entry word tables, so that one GOST 28147-89 round is four look-ups.
#include <cstdint>

namespace sgvr {

// Eight rows of sixteen 4-bit values, one value per byte, rows from K8 down to K1.
extern const uint8_t kGostHashTestSBox[8][16];

struct CGostSBoxTables {
    // t[i][b]: substitution of byte i (bits 8i..8i+7) of the round input, already
    // placed at its bit position and rotated left by 11.
    uint32_t t[4][256];
};

// Expands rows (K8..K1 order) into tables.
void ExpandGostSBox(const uint8_t rows[8][16], CGostSBoxTables& out);

// The tables of the test S-box, expanded on first use and kept for the process.
const CGostSBoxTables& GostHashTestTables();

}  // namespace sgvr
