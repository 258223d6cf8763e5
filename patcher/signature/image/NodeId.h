#pragma once
// Node identifiers: top byte = bit 7 ignored, bit 6 array, bits 0-5 value
// type; next byte = tag; low 16 bits = index.

#include <cstdint>

namespace sgvr {

using NodeId = uint32_t;

constexpr NodeId kIdIgnoredBit = 0x80000000u;
constexpr uint8_t kArrayBit = 0x40;

constexpr NodeId NormalizeId(NodeId id) { return id & ~kIdIgnoredBit; }
constexpr uint8_t IdTypeByte(NodeId id) { return static_cast<uint8_t>((id >> 24) & 0x7F); }
constexpr uint8_t IdValueType(NodeId id) { return static_cast<uint8_t>((id >> 24) & 0x3F); }
constexpr bool IdIsArray(NodeId id) { return ((id >> 24) & kArrayBit) != 0; }
constexpr uint8_t IdTag(NodeId id) { return static_cast<uint8_t>((id >> 16) & 0xFF); }
constexpr uint16_t IdIndex(NodeId id) { return static_cast<uint16_t>(id & 0xFFFF); }
constexpr NodeId MakeId(uint8_t typeByte, uint8_t tag, uint16_t index) {
    return (static_cast<NodeId>(typeByte & 0x7F) << 24) | (static_cast<NodeId>(tag) << 16) | index;
}
constexpr bool SameId(NodeId a, NodeId b) { return NormalizeId(a) == NormalizeId(b); }

}  // namespace sgvr
