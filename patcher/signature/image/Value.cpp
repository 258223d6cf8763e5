#include "image/Value.h"

#include "image/ValueType.h"
#include "bytes/LittleEndian.h"

#include <utility>

namespace sgvr {

Value Value::FromBytes(ByteView bytes) { return FromBytes(bytes.data, bytes.size); }

Value Value::FromBytes(const void* data, size_t size) {
    Value v;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (size != 0) v.data_.assign(p, p + size);
    return v;
}

Value Value::FromBytes(Bytes&& data) {
    Value v;
    v.data_ = std::move(data);
    return v;
}

Value Value::FromU32(uint32_t x) {
    uint8_t b[4];
    StoreLE32(b, x);
    return FromBytes(b, 4);
}

Value Value::FromString(const char* text, size_t length) {
    Value v;
    v.data_.reserve(length + 1);
    v.data_.insert(v.data_.end(), text, text + length);
    v.data_.push_back(0);
    return v;
}

Value Value::MakeArray(uint8_t valueType, uint16_t elementSize) {
    Value v;
    v.elementSize_ = elementSize;
    const ValueTypeInfo info = GetValueTypeInfo(valueType);
    switch (info.encoding) {
    case ValueEncoding::Fixed:
        v.kind_ = Kind::FixedArray;
        v.stride_ = info.fixedSize;
        break;
    case ValueEncoding::Bool:
        v.kind_ = Kind::BoolArray;
        v.stride_ = 1;
        break;
    default:
        v.kind_ = Kind::CountedArray;
        break;
    }
    return v;
}

bool Value::AsU32(uint32_t& out) const {
    if (kind_ != Kind::Scalar || data_.size() != 4) return false;
    out = LoadLE32(data_.data());
    return true;
}

bool Value::OverwriteU32(uint32_t v) {
    if (kind_ != Kind::Scalar || data_.size() != 4) return false;
    StoreLE32(data_.data(), v);
    return true;
}

ByteView Value::Element(size_t i) const {
    if (i >= count_) return ByteView();
    if (kind_ == Kind::FixedArray) return ByteView(data_.data() + i * stride_, stride_);
    if (kind_ == Kind::CountedArray) {
        const size_t begin = i == 0 ? 0 : ends_[i - 1];
        return ByteView(data_.data() + begin, ends_[i] - begin);
    }
    return ByteView();
}

bool Value::BoolAt(size_t i) const {
    if (kind_ != Kind::BoolArray || i >= count_) return false;
    return (data_[i / 8] >> (i % 8)) & 1;
}

bool Value::AppendElement(ByteView element) {
    if (count_ == UINT32_MAX) return false;
    switch (kind_) {
    case Kind::FixedArray:
        if (element.size != stride_) return false;
        data_.insert(data_.end(), element.begin(), element.end());
        break;
    case Kind::CountedArray:
        if (element.size > UINT32_MAX - data_.size()) return false;
        data_.insert(data_.end(), element.begin(), element.end());
        ends_.push_back(static_cast<uint32_t>(data_.size()));
        break;
    case Kind::BoolArray:
        if (element.size != 1) return false;
        return AppendBool(element.data[0] != 0);
    default:
        return false;
    }
    ++count_;
    return true;
}

bool Value::AppendBool(bool element) {
    if (kind_ != Kind::BoolArray || count_ == UINT32_MAX) return false;
    if (count_ % 8 == 0) data_.push_back(0);
    if (element) data_.back() = static_cast<uint8_t>(data_.back() | (1u << (count_ % 8)));
    ++count_;
    return true;
}

bool Value::AppendPacked(ByteView data, uint32_t count) {
    if (count > UINT32_MAX - count_) return false;
    if (kind_ == Kind::FixedArray) {
        if (data.size != static_cast<size_t>(count) * stride_) return false;
    } else if (kind_ == Kind::BoolArray) {
        if (count_ % 8 != 0 || data.size != (static_cast<size_t>(count) + 7) / 8) return false;
    } else {
        return false;
    }
    data_.insert(data_.end(), data.begin(), data.end());
    if (kind_ == Kind::BoolArray && count % 8 != 0)
        data_.back() = static_cast<uint8_t>(data_.back() & ((1u << (count % 8)) - 1));  // unused bits stay clear
    count_ += count;
    return true;
}

bool Value::operator==(const Value& other) const {
    return kind_ == other.kind_ && count_ == other.count_ && elementSize_ == other.elementSize_ &&
           stride_ == other.stride_ && data_ == other.data_ && ends_ == other.ends_;
}

}  // namespace sgvr
