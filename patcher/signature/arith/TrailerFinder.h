#pragma once
// Finding the signature trailer: CR LF ";" ":", 88 radix-64 characters, "%%".
#include <cstddef>
#include <cstdint>

namespace sgvr {

constexpr size_t kTrailerSize = 94;
constexpr size_t kTrailerMarkerSize = 4;
constexpr size_t kTrailerTextSize = 88;
extern const uint8_t kTrailerMarker[kTrailerMarkerSize];  // 0D 0A 3B 3A

// When the data ends in the start of a marker (CR LF ";", CR LF or CR) returns that
// length (3, 2, 1) with its position, so that a marker split between two chunks is
// not missed. Otherwise returns 4 with the position of the last complete marker, or
// 0 when there is none.
int FindTrailerMarker(const uint8_t* data, size_t length, size_t* position);

// Only complete markers: true with the position of the last one.
bool FindLastCompleteMarker(const uint8_t* data, size_t length, size_t* position);

}  // namespace sgvr
