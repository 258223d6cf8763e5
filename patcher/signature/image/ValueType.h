#pragma once
// Value types of node identifiers and how each one is encoded in a tree
// stream. The numbers are fixed by the image format.

#include <cstdint>

namespace sgvr {

enum ValueTypeCode : uint8_t {
    kTypeNone = 1,         // no value bytes
    kTypeInt32 = 9,        // 32-bit integer
    kTypeBool = 10,        // one byte; packed eight to a byte in arrays
    kTypeGuid = 13,        // sixteen bytes
    kTypeRef32 = 18,       // 32-bit reference
    kTypeString = 40,      // narrow string, 16-bit length, 0xFFFF = absent
    kTypeWideString = 41,  // UTF-16 string, 16-bit length in bytes
    kTypeBytes = 42,       // byte string, 16-bit length
};

enum class ValueEncoding : uint8_t {
    Unknown,   // not a type the format can carry
    Fixed,     // a fixed number of bytes (possibly none)
    Bool,      // one byte; bit-packed in arrays
    Counted,   // 16-bit length and that many bytes
};

struct ValueTypeInfo {
    ValueEncoding encoding;
    uint8_t fixedSize;  // for Fixed and Bool
};

// The encoding of the low six bits of a type byte.
constexpr ValueTypeInfo GetValueTypeInfo(uint8_t valueType) {
    switch (valueType & 0x3F) {
    case 1: return {ValueEncoding::Fixed, 0};
    case 2: case 6: case 7: return {ValueEncoding::Fixed, 1};
    case 3: case 4: case 8: return {ValueEncoding::Fixed, 2};
    case 5: case 9: case 14: case 15: case 18: return {ValueEncoding::Fixed, 4};
    case 10: return {ValueEncoding::Bool, 1};
    case 11: case 12: case 16: case 17: return {ValueEncoding::Fixed, 8};
    case 13: return {ValueEncoding::Fixed, 16};
    case 40: case 41: case 42: return {ValueEncoding::Counted, 0};
    default: return {ValueEncoding::Unknown, 0};
    }
}

// Narrow strings are kept in memory with a terminating zero; an absent one
// (length 0xFFFF) is kept as no bytes at all.
constexpr uint16_t kAbsentStringLength = 0xFFFF;

}  // namespace sgvr
