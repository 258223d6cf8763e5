#include "DescriptionLexer.h"
#include "RegistryDescription.h"
#include "image/ValueType.h"

#include <cerrno>
#include <cstdlib>

namespace sgvrtool {

using namespace sgvr;

namespace {

constexpr unsigned kMaxNesting = 64;

bool ParseNumber(const std::string& word, uint64_t& value) {
    if (word.empty() || !(std::isdigit(static_cast<unsigned char>(word[0])))) return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(word.c_str(), &end, 0);
    if (errno != 0 || end == nullptr || *end != '\0') return false;
    value = v;
    return true;
}

bool ParseHexBytes(const std::string& word, std::vector<uint8_t>& bytes) {
    if (word.compare(0, 4, "hex:") != 0) return false;
    const std::string digits = word.substr(4);
    if (digits.size() % 2 != 0) return false;
    bytes.clear();
    for (size_t i = 0; i < digits.size(); i += 2) {
        char pair[3] = {digits[i], digits[i + 1], 0};
        char* end = nullptr;
        const long v = std::strtol(pair, &end, 16);
        if (*end != '\0' || !std::isxdigit(static_cast<unsigned char>(pair[0]))) return false;
        bytes.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

class Parser {
public:
    Parser(std::vector<DescriptionToken> tokens, const PublicKeyResolver& keys, std::string& error)
        : t_(std::move(tokens)), keys_(keys), error_(error) {}

    bool File(RegistryDescription& out) {
        out.top = Node::Create(0);
        out.options = WriteOptions();
        while (Peek().kind != DescriptionToken::End) {
            const DescriptionToken& tok = Peek();
            if (tok.kind != DescriptionToken::Word) return Fail("expected a statement");
            uint64_t n;
            if (tok.text == "registry") {
                ++pos_;
                if (!Number(n) || n > kRegistryIdMask) return Fail("registry id must be a number of at most 23 bits");
                out.options.registryId = static_cast<uint32_t>(n);
            } else if (tok.text == "flag") {
                ++pos_;
                if (!Number(n) || n > 1) return Fail("flag must be 0 or 1");
                out.options.registryFlag = n == 1;
            } else if (tok.text == "check-block") {
                ++pos_;
                if (!Number(n) || n > 0xFFFFFFFFu) return Fail("check-block must be a 32-bit number");
                out.options.checkBlockSize = static_cast<uint32_t>(n);
            } else if (tok.text == "codec") {
                ++pos_;
                std::string list;
                while (Peek().kind == DescriptionToken::Word && std::isdigit(static_cast<unsigned char>(Peek().text[0])))
                    list += t_[pos_++].text + " ";
                std::string why;
                if (!ParseCodecList(list, out.options, why)) return Fail(why);
            } else if (tok.text == "node") {
                if (!NodeStatement(*out.top, 1)) return false;
            } else {
                return Fail("unknown statement '" + tok.text + "'");
            }
        }
        return true;
    }

private:
    const DescriptionToken& Peek() const { return t_[pos_]; }
    bool IsPunct(const char* p) const { return Peek().kind == DescriptionToken::Punct && Peek().text == p; }
    bool IsWord(const char* w) const { return Peek().kind == DescriptionToken::Word && Peek().text == w; }
    bool Expect(const char* p) {
        if (!IsPunct(p)) return Fail(std::string("expected '") + p + "'");
        ++pos_;
        return true;
    }
    bool Fail(const std::string& why) {
        if (error_.empty()) error_ = "line " + std::to_string(Peek().line) + ": " + why;
        return false;
    }
    bool Number(uint64_t& n) {
        if (Peek().kind != DescriptionToken::Word || !ParseNumber(Peek().text, n)) return false;
        ++pos_;
        return true;
    }
    bool Identifier(NodeId& id) {
        uint64_t n;
        if (!Number(n) || n > 0xFFFFFFFFu) return Fail("expected a 32-bit identifier");
        id = static_cast<NodeId>(n);
        return true;
    }

    bool NodeStatement(Node& parent, unsigned depth) {
        if (depth > kMaxNesting) return Fail("nodes nested more than " + std::to_string(kMaxNesting) + " deep");
        ++pos_;  // "node"
        NodeId id = 0;
        if (!Identifier(id)) return false;
        Node& node = parent.AddChild(id);
        if (IsPunct("=")) {
            ++pos_;
            Value v;
            if (!ValueOf(id, v)) return false;
            node.SetValue(std::move(v));
        }
        if (!IsPunct("{")) return true;
        ++pos_;
        while (!IsPunct("}")) {
            if (IsWord("node")) {
                if (!NodeStatement(node, depth + 1)) return false;
            } else if (IsWord("attr")) {
                ++pos_;
                NodeId aid = 0;
                Value v;
                if (!Identifier(aid) || !Expect("=") || !ValueOf(aid, v)) return false;
                node.AddAttribute(aid, std::move(v));
            } else {
                return Fail("expected 'node', 'attr' or '}'");
            }
        }
        ++pos_;
        return true;
    }

    bool ValueOf(NodeId id, Value& v) {
        const uint8_t type = IdValueType(id);
        if (GetValueTypeInfo(type).encoding == ValueEncoding::Unknown)
            return Fail("value type " + std::to_string(type) + " has no encoding");
        if (!IdIsArray(id)) return Element(type, v);
        if (!Expect("[")) return false;
        v = Value::MakeArray(type, 0);
        while (!IsPunct("]")) {
            Value e;
            if (!Element(type, e)) return false;
            const bool ok = v.GetKind() == Value::Kind::BoolArray ? v.AppendBool(e.Data().data[0] != 0)
                                                                  : v.AppendElement(e.Data());
            if (!ok || v.Count() > 0xFFFF) return Fail("array element does not fit");
            if (IsPunct(",")) ++pos_;
            else if (!IsPunct("]")) return Fail("expected ',' or ']'");
        }
        ++pos_;
        v.SetElementSize(UsualElementSize(id, v));
        if (IsWord("size")) {
            ++pos_;
            uint64_t n;
            if (!Number(n) || n > 0xFFFF) return Fail("size must be a 16-bit number");
            v.SetElementSize(static_cast<uint16_t>(n));
        }
        return true;
    }

    // One scalar value, or one array element, of the given type.
    bool Element(uint8_t type, Value& v) {
        const ValueTypeInfo info = GetValueTypeInfo(type);
        const DescriptionToken& tok = Peek();
        std::vector<uint8_t> hex;
        const bool isHex = tok.kind == DescriptionToken::Word && ParseHexBytes(tok.text, hex);
        if (info.encoding == ValueEncoding::Counted) {
            if (tok.kind == DescriptionToken::Word && tok.text == "null") {
                if (type != kTypeString) return Fail("only narrow strings can be null");
                ++pos_;
                v = Value();
                return true;
            }
            std::vector<uint8_t> bytes;
            if (tok.kind == DescriptionToken::Word && tok.text == "pubkey") {
                // pubkey "key file": the public key of a key file, so that a
                // registry names its keys by the files that hold them.
                if (type != kTypeBytes) return Fail("pubkey is only for byte strings");
                ++pos_;
                if (Peek().kind != DescriptionToken::String) return Fail("expected the key file name after pubkey");
                if (!keys_) return Fail("pubkey values need a key file resolver");
                std::string why;
                if (!keys_(Peek().text, bytes, why)) return Fail(why);
            } else if (isHex) {
                bytes = hex;
            } else if (tok.kind == DescriptionToken::String && type != kTypeWideString) {
                bytes.assign(tok.text.begin(), tok.text.end());
            } else if (tok.kind == DescriptionToken::WideString && type == kTypeWideString) {
                for (uint16_t u : tok.units) {
                    bytes.push_back(static_cast<uint8_t>(u));
                    bytes.push_back(static_cast<uint8_t>(u >> 8));
                }
            } else {
                return Fail(type == kTypeWideString ? "expected L\"...\" or hex:..." : "expected \"...\", null or hex:...");
            }
            const size_t limit = type == kTypeString ? 0xFFFE : 0xFFFF;
            if (bytes.size() > limit) return Fail("string longer than " + std::to_string(limit) + " bytes");
            ++pos_;
            v = type == kTypeString ? Value::FromString(reinterpret_cast<const char*>(bytes.data()), bytes.size())
                                    : Value::FromBytes(bytes.data(), bytes.size());
            return true;
        }
        const size_t size = info.fixedSize;
        if (IsPunct("(")) {
            ++pos_;
            if (!Expect(")")) return false;
            if (size != 0) return Fail("() is only for types without value bytes");
            v = Value();
            return true;
        }
        if (size == 0) return Fail("this type takes ()");
        if (isHex) {
            if (hex.size() != size) return Fail("expected " + std::to_string(size) + " bytes");
            ++pos_;
            v = Value::FromBytes(hex.data(), hex.size());
            return true;
        }
        uint64_t n = 0;
        if (info.encoding == ValueEncoding::Bool && (IsWord("true") || IsWord("false"))) {
            n = IsWord("true") ? 1 : 0;
            ++pos_;
        } else if (size > 8 || !Number(n)) {
            return Fail(size > 8 ? "expected hex:... of " + std::to_string(size) + " bytes" : "expected a number");
        } else if (size < 8 && (n >> (8 * size)) != 0) {
            --pos_;
            return Fail("number does not fit " + std::to_string(size) + " bytes");
        }
        uint8_t bytes[8];
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(n >> (8 * i));
        v = Value::FromBytes(bytes, size);
        return true;
    }

    std::vector<DescriptionToken> t_;
    size_t pos_ = 0;
    const PublicKeyResolver& keys_;
    std::string& error_;
};

}  // namespace

uint16_t UsualElementSize(NodeId id, const Value& array) {
    const ValueTypeInfo info = GetValueTypeInfo(IdValueType(id));
    if (info.encoding != ValueEncoding::Counted) return info.fixedSize;
    size_t largest = 0;
    for (uint32_t i = 0; i < array.Count(); ++i) {
        size_t n = array.Element(i).size;
        if (IdValueType(id) == kTypeString && n != 0) --n;  // the zero added in memory
        if (n > largest) largest = n;
    }
    return static_cast<uint16_t>(largest > 0xFFFF ? 0xFFFF : largest);
}

bool ParseCodecList(const std::string& text, WriteOptions& options, std::string& error) {
    options.codecs.clear();
    options.plainCodec = kCodecPlain;
    size_t at = 0;
    bool plainSeen = false;
    bool any = false;
    while (at < text.size()) {
        while (at < text.size() && (text[at] == ' ' || text[at] == ',')) ++at;
        if (at >= text.size()) break;
        size_t end = at;
        while (end < text.size() && text[end] != ' ' && text[end] != ',') ++end;
        const std::string item = text.substr(at, end - at);
        at = end;
        any = true;
        uint64_t fields[3] = {0, 0, 0};
        size_t nfields = 0;
        size_t p = 0;
        while (p <= item.size() && nfields < 4) {
            const size_t colon = item.find(':', p);
            const std::string f = item.substr(p, colon == std::string::npos ? std::string::npos : colon - p);
            if (nfields == 3 || !ParseNumber(f, fields[nfields])) {
                error = "bad codec item '" + item + "' (number[:param[:param2]])";
                return false;
            }
            ++nfields;
            if (colon == std::string::npos) break;
            p = colon + 1;
        }
        if (plainSeen) {
            error = "nothing may follow codec 0 or 3";
            return false;
        }
        const uint64_t codec = fields[0];
        if (codec == kCodecPlain || codec == kCodecPlainAlt) {
            if (nfields != 1) {
                error = "codec " + std::to_string(codec) + " takes no parameters";
                return false;
            }
            options.plainCodec = static_cast<uint16_t>(codec);
            plainSeen = true;
            continue;
        }
        if (codec != kCodecLz77 && codec != kCodecChunks) {
            error = "codec " + std::to_string(codec) + " cannot be written (0, 1, 2 or 3)";
            return false;
        }
        CodecLayer layer{static_cast<uint16_t>(codec), codec == kCodecChunks ? kDefaultLargestChunk : kDefaultLz77Block, 0};
        if (nfields >= 2) {
            if (fields[1] > 0xFFFFFFFFu) {
                error = "codec parameter above 32 bits";
                return false;
            }
            layer.param = static_cast<uint32_t>(fields[1]);
        }
        if (nfields == 3) {
            if (fields[2] > 0xFFFF) {
                error = "second codec parameter above 16 bits";
                return false;
            }
            layer.param2 = static_cast<uint16_t>(fields[2]);
        }
        if (codec == kCodecChunks && (layer.param == 0 || layer.param > 0xFFFF)) {
            error = "codec 2 needs a largest chunk length from 1 to 65535";
            return false;
        }
        options.codecs.push_back(layer);
    }
    if (!any) {
        error = "codec list is empty";
        return false;
    }
    return true;
}

bool ParseRegistryDescription(const std::string& text, RegistryDescription& out, std::string& error,
                              const PublicKeyResolver& keys) {
    error.clear();
    std::vector<DescriptionToken> tokens;
    if (!LexDescription(text, tokens, error)) return false;
    RegistryDescription result;
    Parser parser(std::move(tokens), keys, error);
    if (!parser.File(result)) return false;
    out = std::move(result);
    return true;
}

}  // namespace sgvrtool
