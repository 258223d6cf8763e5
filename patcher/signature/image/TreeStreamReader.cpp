#include "image/TreeStreamReader.h"

#include "image/Crc32.h"
#include "image/ValueType.h"
#include "bytes/LittleEndian.h"

namespace sgvr {
namespace {

constexpr uint32_t kTreeHeaderSize = 10;
constexpr uint8_t kFlagValue = 1;
constexpr uint8_t kFlagChild = 2;
constexpr uint8_t kFlagSiblings = 4;
constexpr uint8_t kFlagsLimit = 8;
constexpr uint8_t kRunEnd = 0xFF;

}  // namespace

TreeStreamReader::TreeStreamReader(StreamCursor& input, const ImageLimits& limits, TreeSink* sink)
    : in_(input), limits_(limits), sink_(sink) {}

bool TreeStreamReader::Get(uint8_t* dst, size_t n) {
    while (n != 0) {
        size_t k = n;
        if (blockSize_ != 0 && k > blockSize_ - count_) k = blockSize_ - count_;
        if (k > limits_.maxDecodedBytes - streamBytes_) return Fail(ImageFault::DecodedTooLarge);
        if (!in_.Read(dst, k)) return Fail(in_.Fault());
        streamBytes_ += k;
        if (blockSize_ != 0) {
            crc_ = Crc32Update(crc_, dst, k);
            count_ += static_cast<uint32_t>(k);
            if (count_ == blockSize_ && !CheckValue()) return false;
        }
        dst += k;
        n -= k;
    }
    return true;
}

bool TreeStreamReader::GetU16(uint16_t& v) {
    uint8_t b[2];
    if (!Get(b, 2)) return false;
    v = LoadLE16(b);
    return true;
}

bool TreeStreamReader::GetU32(uint32_t& v) {
    uint8_t b[4];
    if (!Get(b, 4)) return false;
    v = LoadLE32(b);
    return true;
}

// Reads n more bytes onto the end of buffer, growing it only as the bytes
// arrive, so a length field alone never makes a large allocation.
bool TreeStreamReader::GetInto(Bytes& buffer, size_t n) {
    constexpr size_t kStep = 4096;
    while (n != 0) {
        const size_t k = n < kStep ? n : kStep;
        const size_t at = buffer.size();
        buffer.resize(at + k);
        if (!Get(buffer.data() + at, k)) return false;
        n -= k;
    }
    return true;
}

bool TreeStreamReader::CheckValue() {
    uint32_t stored;
    if (limits_.maxDecodedBytes - streamBytes_ < 4) return Fail(ImageFault::DecodedTooLarge);
    if (!in_.ReadU32(stored)) return Fail(in_.Fault());
    streamBytes_ += 4;
    if (stored != crc_) return Fail(ImageFault::BadCheckValue);
    crc_ = kCrcStart;
    count_ = 0;
    return true;
}

bool TreeStreamReader::CountItem() {
    if (++items_ > limits_.maxItems) return Fail(ImageFault::TooManyItems);
    return true;
}

ImageFault TreeStreamReader::Read(Node& top) {
    ReadStream(top);
    return fault_;
}

bool TreeStreamReader::ReadStream(Node& top) {
    if (limits_.maxDecodedBytes < kTreeHeaderSize) return Fail(ImageFault::DecodedTooLarge);
    uint16_t magic;
    uint32_t version;
    uint32_t blockSize;
    if (!in_.ReadU16(magic) || !in_.ReadU32(version) || !in_.ReadU32(blockSize)) return Fail(in_.Fault());
    if (magic != kTreeStreamMagic) return Fail(ImageFault::BadStreamMagic);
    if (version != kTreeStreamVersion) return Fail(ImageFault::BadStreamVersion);
    blockSize_ = blockSize;
    streamBytes_ = kTreeHeaderSize;
    crc_ = kCrcStart;
    count_ = kTreeHeaderSize;
    // A block size not above the header's ten bytes is already reached:
    // its check value (over no bytes) follows at once.
    if (blockSize_ != 0 && count_ >= blockSize_ && !CheckValue()) return false;

    uint8_t flags;
    if (!GetU8(flags) || !ReadGroup(top, flags, 1)) return false;

    // The final check value covers the node bytes after the last one.
    if (blockSize_ != 0 && count_ != 0 && crc_ != kCrcStart) return CheckValue();
    return true;
}

// Reads a node (flags already read) with its subtree and, when its flag
// bit 2 is set, the run of siblings after it up to the closing 0xFF. A
// sibling with bit 2 set opens a nested run, closed by its own 0xFF; open
// runs are counted rather than recursed into, so only child levels nest.
bool TreeStreamReader::ReadGroup(Node& parent, uint8_t flags, unsigned depth) {
    if (depth > limits_.maxDepth) return Fail(ImageFault::TooDeep);
    size_t openRuns = 0;
    for (;;) {
        Node* node = nullptr;
        if (!ReadNode(parent, flags, node)) return false;
        if (sink_ != nullptr) sink_->NodeOpened(*node, (flags & kFlagChild) != 0, depth);
        if (flags & kFlagChild) {
            uint8_t childFlags;
            if (!GetU8(childFlags) || !ReadGroup(*node, childFlags, depth + 1)) return false;
        }
        if (sink_ != nullptr) {
            sink_->NodeClosed(*node, depth);
            node->Detach();  // handed on; dropped here
        }
        if (flags & kFlagSiblings) ++openRuns;
        if (openRuns == 0) return true;
        for (;;) {
            if (!GetU8(flags)) return false;
            if (flags != kRunEnd) break;
            if (--openRuns == 0) return true;
        }
    }
}

bool TreeStreamReader::ReadNode(Node& parent, uint8_t flags, Node*& node) {
    if (flags >= kFlagsLimit) return Fail(ImageFault::BadFlags);
    if (!CountItem()) return false;
    uint32_t id;
    if (!GetU32(id)) return false;
    node = &parent.AddChild(NormalizeId(id));
    if (flags & kFlagValue) {
        Value value;
        if (!ReadValue(node->Id(), value)) return false;
        node->SetValue(std::move(value));
    }
    for (;;) {
        uint32_t attrId;
        if (!GetU32(attrId)) return false;
        attrId = NormalizeId(attrId);
        if (attrId == kAttributesEnd || attrId == kAttributesEndAlt) return true;
        if (!CountItem()) return false;
        Value value;
        if (!ReadValue(attrId, value)) return false;
        node->AddAttribute(attrId, std::move(value));
    }
}

bool TreeStreamReader::ReadValue(NodeId id, Value& value) {
    if (IdIsArray(id)) return ReadArray(id, value);
    const uint8_t type = IdValueType(id);
    const ValueTypeInfo info = GetValueTypeInfo(type);
    scratch_.clear();
    switch (info.encoding) {
    case ValueEncoding::Fixed:
    case ValueEncoding::Bool:
        if (!GetInto(scratch_, info.fixedSize)) return false;
        value = Value::FromBytes(scratch_.data(), scratch_.size());
        return true;
    case ValueEncoding::Counted: {
        uint16_t length;
        if (!GetU16(length)) return false;
        if (type == kTypeString && length == kAbsentStringLength) {
            value = Value();
            return true;
        }
        // Read straight into the value's own storage.
        Bytes bytes;
        bytes.reserve(length < 4096 ? length + 1u : 4096u);
        if (!GetInto(bytes, length)) return false;
        if (type == kTypeString) bytes.push_back(0);  // the terminating zero kept in memory
        value = Value::FromBytes(std::move(bytes));
        return true;
    }
    default:
        return Fail(ImageFault::BadValueType);
    }
}

bool TreeStreamReader::ReadArray(NodeId id, Value& value) {
    const uint8_t type = IdValueType(id);
    const ValueTypeInfo info = GetValueTypeInfo(type);
    if (info.encoding == ValueEncoding::Unknown) return Fail(ImageFault::BadValueType);
    uint16_t count, elementSize;
    if (!GetU16(count) || !GetU16(elementSize)) return false;
    value = Value::MakeArray(type, elementSize);
    switch (info.encoding) {
    case ValueEncoding::Fixed:
    case ValueEncoding::Bool: {
        // Elements travel back to back (booleans packed); they are taken in
        // steps, so memory grows only with the bytes actually there.
        const bool packed = info.encoding == ValueEncoding::Bool;
        const uint32_t perStep = packed ? 8 * 4096 : (info.fixedSize == 0 ? count : 4096 / info.fixedSize);
        uint32_t done = 0;
        while (done < count) {
            const uint32_t n = count - done < perStep ? count - done : perStep;
            const size_t bytes = packed ? (n + 7) / 8 : static_cast<size_t>(n) * info.fixedSize;
            scratch_.clear();
            if (!GetInto(scratch_, bytes)) return false;
            value.AppendPacked(ByteView(scratch_.data(), scratch_.size()), n);
            done += n;
        }
        return true;
    }
    default:
        for (uint32_t i = 0; i < count; ++i) {
            uint16_t length;
            if (!GetU16(length)) return false;
            scratch_.clear();
            if (type == kTypeString && length == kAbsentStringLength) {
                value.AppendElement(ByteView());
                continue;
            }
            if (!GetInto(scratch_, length)) return false;
            if (type == kTypeString) scratch_.push_back(0);
            value.AppendElement(ByteView(scratch_.data(), scratch_.size()));
        }
        return true;
    }
}

}  // namespace sgvr
