#include "RegistryDescription.h"
#include "ValueType.h"

#include <cstdio>

namespace sgvrtool {

using namespace sgvr;

namespace {

std::string Hex32(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(v));
    return text;
}

std::string HexBytes(ByteView b) {
    static const char digits[] = "0123456789abcdef";
    std::string s = "hex:";
    for (size_t i = 0; i < b.size; ++i) {
        s.push_back(digits[b.data[i] >> 4]);
        s.push_back(digits[b.data[i] & 15]);
    }
    return s;
}

std::string Quoted(ByteView b) {
    std::string s = "\"";
    for (size_t i = 0; i < b.size; ++i) {
        const uint8_t c = b.data[i];
        if (c == '"' || c == '\\') {
            s.push_back('\\');
            s.push_back(static_cast<char>(c));
        } else if (c >= 0x20 && c < 0x7F) {
            s.push_back(static_cast<char>(c));
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02x", c);
            s += esc;
        }
    }
    return s + "\"";
}

std::string WideQuoted(ByteView b) {
    std::string s = "L\"";
    for (size_t i = 0; i + 1 < b.size; i += 2) {
        const unsigned u = b.data[i] | (b.data[i + 1] << 8);
        if (u == '"' || u == '\\') {
            s.push_back('\\');
            s.push_back(static_cast<char>(u));
        } else if (u >= 0x20 && u < 0x7F) {
            s.push_back(static_cast<char>(u));
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", u);
            s += esc;
        }
    }
    return s + "\"";
}

// One scalar value or array element in the text form of its type.
std::string Literal(uint8_t type, ByteView b) {
    const ValueTypeInfo info = GetValueTypeInfo(type);
    switch (info.encoding) {
    case ValueEncoding::Counted:
        if (type == kTypeString) {
            if (b.size == 0) return "null";
            return Quoted(ByteView(b.data, b.size - 1));
        }
        if (type == kTypeWideString && b.size % 2 == 0) return WideQuoted(b);
        return HexBytes(b);
    case ValueEncoding::Bool:
        if (b.size == 1 && b.data[0] <= 1) return b.data[0] ? "true" : "false";
        break;
    default:
        break;
    }
    if (b.size != info.fixedSize) return HexBytes(b);  // cannot happen for values that were read
    if (b.size == 0) return "()";
    if (b.size > 8) return HexBytes(b);
    uint64_t n = 0;
    for (size_t i = b.size; i-- > 0;) n = (n << 8) | b.data[i];
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", static_cast<int>(2 * b.size), static_cast<unsigned long long>(n));
    return text;
}

std::string ValueText(NodeId id, const Value& v, const std::string& indent) {
    const uint8_t type = IdValueType(id);
    if (!v.IsArray()) return Literal(type, v.Data());
    std::vector<std::string> items;
    size_t total = 0;
    for (uint32_t i = 0; i < v.Count(); ++i) {
        if (v.GetKind() == Value::Kind::BoolArray) items.push_back(v.BoolAt(i) ? "true" : "false");
        else items.push_back(Literal(type, v.Element(i)));
        total += items.back().size() + 2;
    }
    std::string s = "[";
    if (total <= 72) {
        for (size_t i = 0; i < items.size(); ++i) s += (i ? ", " : "") + items[i];
        s += "]";
    } else {
        for (size_t i = 0; i < items.size(); ++i) s += "\n" + indent + "  " + items[i] + (i + 1 < items.size() ? "," : "");
        s += "\n" + indent + "]";
    }
    if (v.ElementSize() != UsualElementSize(id, v)) s += " size " + std::to_string(v.ElementSize());
    return s;
}

void PrintNode(const Node& n, const std::string& indent, std::string& out) {
    out += indent + "node " + Hex32(n.Id());
    if (n.HasValue()) out += " = " + ValueText(n.Id(), n.GetValue(), indent);
    if (n.Attributes().empty() && n.FirstChild() == nullptr) {
        out += "\n";
        return;
    }
    out += " {\n";
    for (const Attribute& a : n.Attributes())
        out += indent + "  attr " + Hex32(a.id) + " = " + ValueText(a.id, a.value, indent + "  ") + "\n";
    for (const Node* c = n.FirstChild(); c != nullptr; c = c->NextSibling()) PrintNode(*c, indent + "  ", out);
    out += indent + "}\n";
}

}  // namespace

std::string PrintRegistryDescription(const WriteOptions& options, const Node& top) {
    std::string out;
    char line[64];
    std::snprintf(line, sizeof line, "registry 0x%06X\n", static_cast<unsigned>(options.registryId));
    out += line;
    out += std::string("flag ") + (options.registryFlag ? "1" : "0") + "\n";
    out += "codec";
    for (const CodecLayer& l : options.codecs) {
        out += " " + std::to_string(l.codec) + ":" + std::to_string(l.param);
        if (l.param2 != 0) out += ":" + std::to_string(l.param2);
    }
    out += " " + std::to_string(options.plainCodec) + "\n";
    out += "check-block " + std::to_string(options.checkBlockSize) + "\n";
    for (const Node* c = top.FirstChild(); c != nullptr; c = c->NextSibling()) PrintNode(*c, "", out);
    return out;
}

WriteOptions OptionsOfImage(const RegistryImage& image) {
    WriteOptions o;
    o.registryId = image.header.registryId;
    o.registryFlag = image.header.registryFlag;
    o.codecs.assign(image.layout.codecs.begin(), image.layout.codecs.end());
    o.plainCodec = image.layout.plainCodec;
    o.checkBlockSize = image.layout.checkBlockSize;
    return o;
}

}  // namespace sgvrtool
