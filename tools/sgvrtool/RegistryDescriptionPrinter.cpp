#include "RegistryDescription.h"
#include "image/ValueType.h"

#include <cstdio>
#include <vector>

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

// Writes an array element by element: on one line when it fits, else packed
// into lines of about 72 columns. Elements are formatted one at a time, so an
// array of any length costs the memory of one element's text.
void WriteArray(DescriptionOut& out, NodeId id, const Value& v, const std::string& indent) {
    const uint8_t type = IdValueType(id);
    auto item = [&](uint32_t i) {
        return v.GetKind() == Value::Kind::BoolArray ? std::string(v.BoolAt(i) ? "true" : "false")
                                                     : Literal(type, v.Element(i));
    };
    constexpr size_t kWidth = 72;
    size_t total = 0;
    for (uint32_t i = 0; i < v.Count() && total <= kWidth; ++i) total += item(i).size() + 2;
    out.Write("[");
    if (total <= kWidth) {
        for (uint32_t i = 0; i < v.Count(); ++i) out.Write((i ? ", " : "") + item(i));
        out.Write("]");
    } else {
        const std::string lineStart = "\n" + indent + "  ";
        size_t column = 0;
        for (uint32_t i = 0; i < v.Count(); ++i) {
            const std::string text = item(i);
            if (i == 0 || column + 2 + text.size() > kWidth) {
                out.Write((i ? "," : "") + lineStart);
                column = 0;
            } else {
                out.Write(", ");
                column += 2;
            }
            out.Write(text);
            column += text.size();
        }
        out.Write("\n" + indent + "]");
    }
    if (v.ElementSize() != UsualElementSize(id, v)) out.Write(" size " + std::to_string(v.ElementSize()));
}

void WriteValue(DescriptionOut& out, NodeId id, const Value& v, const std::string& indent) {
    if (v.IsArray())
        WriteArray(out, id, v, indent);
    else
        out.Write(Literal(IdValueType(id), v.Data()));
}

// Prints nodes as the reader hands them on; a node with a body is closed
// when the reader closes it.
class PrintingSink : public TreeSink {
public:
    explicit PrintingSink(DescriptionOut& out) : out_(out) {}
    void NodeOpened(const Node& n, bool hasChildren, unsigned depth) override {
        const std::string indent(2 * (depth - 1), ' ');
        out_.Write(indent + "node " + Hex32(n.Id()));
        if (n.HasValue()) {
            out_.Write(" = ");
            WriteValue(out_, n.Id(), n.GetValue(), indent);
        }
        const bool body = !n.Attributes().empty() || hasChildren;
        opened_.push_back(body);
        if (!body) {
            out_.Write("\n");
            return;
        }
        out_.Write(" {\n");
        for (const Attribute& a : n.Attributes()) {
            out_.Write(indent + "  attr " + Hex32(a.id) + " = ");
            WriteValue(out_, a.id, a.value, indent + "  ");
            out_.Write("\n");
        }
    }
    void NodeClosed(const Node&, unsigned depth) override {
        const bool body = opened_.back();
        opened_.pop_back();
        if (body) out_.Write(std::string(2 * (depth - 1), ' ') + "}\n");
    }

private:
    DescriptionOut& out_;
    std::vector<bool> opened_;
};

// A tree already in memory, walked the way the reader would hand it on.
void Walk(const Node& n, unsigned depth, TreeSink& sink) {
    sink.NodeOpened(n, n.FirstChild() != nullptr, depth);
    for (const Node* c = n.FirstChild(); c != nullptr; c = c->NextSibling()) Walk(*c, depth + 1, sink);
    sink.NodeClosed(n, depth);
}

void WritePreamble(DescriptionOut& out, const WriteOptions& options) {
    char line[64];
    std::snprintf(line, sizeof line, "registry 0x%06X\n", static_cast<unsigned>(options.registryId));
    out.Write(line);
    out.Write(std::string("flag ") + (options.registryFlag ? "1" : "0") + "\n");
    std::string codecs = "codec";
    for (const CodecLayer& l : options.codecs) {
        codecs += " " + std::to_string(l.codec) + ":" + std::to_string(l.param);
        if (l.param2 != 0) codecs += ":" + std::to_string(l.param2);
    }
    out.Write(codecs + " " + std::to_string(options.plainCodec) + "\n");
    out.Write("check-block " + std::to_string(options.checkBlockSize) + "\n");
}

class StringOut : public DescriptionOut {
public:
    explicit StringOut(std::string& text) : text_(text) {}
    void Write(const std::string& text) override { text_ += text; }

private:
    std::string& text_;
};

// Drops every node: a first pass that only checks the image.
class DroppingSink : public TreeSink {
public:
    void NodeOpened(const Node&, bool, unsigned) override {}
    void NodeClosed(const Node&, unsigned) override {}
};

}  // namespace

std::string PrintRegistryDescription(const WriteOptions& options, const Node& top) {
    std::string text;
    StringOut out(text);
    WritePreamble(out, options);
    PrintingSink sink(out);
    for (const Node* c = top.FirstChild(); c != nullptr; c = c->NextSibling()) Walk(*c, 1, sink);
    return text;
}

uint32_t StreamRegistryDescription(ByteView image, const ReadOptions& options, DescriptionOut& out,
                                   ImageFault* fault) {
    // The image is read twice, both times without keeping its tree: first to
    // refuse a bad image before anything is printed, then to print.
    RegistryImage checked;
    DroppingSink drop;
    const uint32_t code = ReadRegistryImage(image, options, checked, fault, &drop);
    if (code != kImageOk) return code;
    WritePreamble(out, OptionsOfImage(checked));
    PrintingSink print(out);
    RegistryImage printed;
    return ReadRegistryImage(image, options, printed, fault, &print);
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
