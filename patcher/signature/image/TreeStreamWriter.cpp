#include "image/TreeStreamWriter.h"

#include "image/ByteWriter.h"
#include "image/Crc32.h"
#include "image/ImageLimits.h"
#include "image/TreeStreamReader.h"
#include "image/ValueType.h"

#include <cstdio>

namespace sgvr {
namespace {

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(v));
    return text;
}

class NodeSerializer {
public:
    NodeSerializer(std::vector<uint8_t>& out, std::string& error) : out_(out), error_(error) {}

    bool Siblings(const Node* first, unsigned depth) {
        if (depth > ImageLimits().maxDepth) return Fail("tree deeper than " + std::to_string(ImageLimits().maxDepth) + " levels");
        const bool run = first->NextSibling() != nullptr;
        for (const Node* n = first; n != nullptr; n = n->NextSibling()) {
            uint8_t flags = 0;
            if (n->HasValue()) flags |= 1;
            if (n->FirstChild() != nullptr) flags |= 2;
            if (run && n == first) flags |= 4;
            PutU8(out_, flags);
            PutU32(out_, NormalizeId(n->Id()));
            if (n->HasValue() && !WriteValue(n->Id(), n->GetValue())) return false;
            for (const Attribute& a : n->Attributes()) {
                const NodeId id = NormalizeId(a.id);
                if (id == kAttributesEnd || id == kAttributesEndAlt)
                    return Fail("attribute " + Hex(id) + " would end the attribute list");
                PutU32(out_, id);
                if (!WriteValue(id, a.value)) return false;
            }
            PutU32(out_, kAttributesEnd);
            if (n->FirstChild() != nullptr && !Siblings(n->FirstChild(), depth + 1)) return false;
        }
        if (run) PutU8(out_, 0xFF);
        return true;
    }

private:
    bool Fail(const std::string& why) {
        error_ = why;
        return false;
    }

    bool Counted(uint8_t type, ByteView bytes, bool absent, NodeId id) {
        if (type == kTypeString) {
            if (absent) {
                PutU16(out_, kAbsentStringLength);
                return true;
            }
            if (bytes.size == 0 || bytes.data[bytes.size - 1] != 0)
                return Fail(Hex(id) + ": narrow string without its terminating zero");
            --bytes.size;
            if (bytes.size >= kAbsentStringLength) return Fail(Hex(id) + ": narrow string longer than 65534 bytes");
        } else if (bytes.size > 0xFFFF) {
            return Fail(Hex(id) + ": string longer than 65535 bytes");
        }
        PutU16(out_, static_cast<uint16_t>(bytes.size));
        PutBytes(out_, bytes.data, bytes.size);
        return true;
    }

    bool WriteValue(NodeId id, const Value& v) {
        const uint8_t type = IdValueType(id);
        const ValueTypeInfo info = GetValueTypeInfo(type);
        if (info.encoding == ValueEncoding::Unknown) return Fail(Hex(id) + ": value type " + std::to_string(type) + " has no encoding");
        if (!IdIsArray(id)) {
            if (v.IsArray()) return Fail(Hex(id) + ": array value under a scalar identifier");
            if (info.encoding == ValueEncoding::Counted) return Counted(type, v.Data(), v.Size() == 0, id);
            if (v.Size() != info.fixedSize)
                return Fail(Hex(id) + ": value of " + std::to_string(v.Size()) + " bytes, type takes " + std::to_string(info.fixedSize));
            PutBytes(out_, v.Data().data, v.Size());
            return true;
        }
        const Value::Kind expected = info.encoding == ValueEncoding::Fixed  ? Value::Kind::FixedArray
                                     : info.encoding == ValueEncoding::Bool ? Value::Kind::BoolArray
                                                                            : Value::Kind::CountedArray;
        if (v.GetKind() != expected || (expected == Value::Kind::FixedArray && v.Stride() != info.fixedSize))
            return Fail(Hex(id) + ": array value does not fit the identifier's type");
        if (v.Count() > 0xFFFF) return Fail(Hex(id) + ": more than 65535 array elements");
        PutU16(out_, static_cast<uint16_t>(v.Count()));
        PutU16(out_, v.ElementSize());
        if (expected == Value::Kind::CountedArray) {
            for (uint32_t i = 0; i < v.Count(); ++i) {
                const ByteView e = v.Element(i);
                if (!Counted(type, e, e.size == 0, id)) return false;
            }
        } else {
            // Fixed elements and packed booleans are stored as they travel.
            PutBytes(out_, v.Data().data, v.Size());
        }
        return true;
    }

    std::vector<uint8_t>& out_;
    std::string& error_;
};

}  // namespace

bool WriteTreeStream(const Node& top, uint32_t checkBlockSize, std::vector<uint8_t>& out, std::string& error) {
    if (top.FirstChild() == nullptr) {
        error = "no root node";
        return false;
    }
    std::vector<uint8_t> nodes;
    NodeSerializer serializer(nodes, error);
    if (!serializer.Siblings(top.FirstChild(), 1)) return false;

    PutU16(out, kTreeStreamMagic);
    PutU32(out, kTreeStreamVersion);
    PutU32(out, checkBlockSize);
    if (checkBlockSize == 0) {
        PutBytes(out, nodes.data(), nodes.size());
        return true;
    }
    // The same bookkeeping as the reader: the header counts, the CRC starts after it.
    uint32_t count = 10;
    uint32_t crc = kCrcStart;
    if (count >= checkBlockSize) {
        PutU32(out, crc);
        count = 0;
    }
    size_t at = 0;
    while (at < nodes.size()) {
        size_t k = nodes.size() - at;
        if (k > checkBlockSize - count) k = checkBlockSize - count;
        PutBytes(out, nodes.data() + at, k);
        crc = Crc32Update(crc, nodes.data() + at, k);
        count += static_cast<uint32_t>(k);
        at += k;
        if (count == checkBlockSize) {
            PutU32(out, crc);
            crc = kCrcStart;
            count = 0;
        }
    }
    if (count != 0 && crc != kCrcStart) PutU32(out, crc);
    return true;
}

}  // namespace sgvr
