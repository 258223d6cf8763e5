#pragma once
// The value of a node or attribute, in its in-memory form: the bytes of a
// scalar (little-endian for numbers, narrow strings with a terminating zero,
// an absent narrow string as no bytes), or the elements of an array.

#include "bytes/ByteView.h"
#include "image/TreeMemory.h"

#include <cstdint>
#include <vector>

namespace sgvr {

using Bytes = std::vector<uint8_t, TreeAllocator<uint8_t>>;

class Value {
public:
    enum class Kind : uint8_t {
        Scalar,
        FixedArray,    // elements of one fixed size, stored back to back
        BoolArray,     // booleans packed eight to a byte, element i in bit i mod 8
        CountedArray,  // strings of any length
    };

    Value() = default;  // a scalar with no bytes

    static Value FromBytes(ByteView bytes);
    static Value FromBytes(const void* data, size_t size);
    static Value FromBytes(Bytes&& data);
    static Value FromU32(uint32_t v);
    // Narrow string in memory form: the characters and a terminating zero.
    static Value FromString(const char* text, size_t length);

    // An empty array whose elements have the given value type (low six
    // bits); elementSize is the element-size field the image carries.
    // An unknown type makes a counted array.
    static Value MakeArray(uint8_t valueType, uint16_t elementSize);

    Kind GetKind() const { return kind_; }
    bool IsArray() const { return kind_ != Kind::Scalar; }

    // Scalar bytes; for arrays the stored element data.
    ByteView Data() const { return ByteView(data_.data(), data_.size()); }
    size_t Size() const { return data_.size(); }
    // The four bytes of a 32-bit scalar; false for any other size.
    bool AsU32(uint32_t& out) const;
    // Replaces the four bytes of a 32-bit scalar where they are, without
    // allocating; false (nothing changed) for any other value.
    bool OverwriteU32(uint32_t v);

    uint32_t Count() const { return count_; }
    uint16_t ElementSize() const { return elementSize_; }
    void SetElementSize(uint16_t size) { elementSize_ = size; }
    // Bytes per element of a fixed array.
    uint8_t Stride() const { return stride_; }

    // Element i of a fixed or counted array (empty view when out of range).
    ByteView Element(size_t i) const;
    // Element i of a boolean array.
    bool BoolAt(size_t i) const;

    // Appends one element. A fixed array takes exactly Stride() bytes;
    // false when the element does not fit the array.
    bool AppendElement(ByteView element);
    bool AppendBool(bool element);
    // Appends count elements at once, as they travel in an image: a fixed
    // array takes count * Stride() bytes; a boolean array (whose count is a
    // multiple of eight so far) takes the packed bytes.
    bool AppendPacked(ByteView data, uint32_t count);

    bool operator==(const Value& other) const;
    bool operator!=(const Value& other) const { return !(*this == other); }

private:
    Bytes data_;
    std::vector<uint32_t, TreeAllocator<uint32_t>> ends_;  // counted arrays: end of each element
    uint32_t count_ = 0;
    uint16_t elementSize_ = 0;
    uint8_t stride_ = 0;
    Kind kind_ = Kind::Scalar;
};

}  // namespace sgvr
