#include "DescriptionLexer.h"

#include <cctype>

namespace sgvrtool {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || c == '-' || c == '.';
}

}  // namespace

bool LexDescription(const std::string& text, std::vector<DescriptionToken>& tokens, std::string& error) {
    int line = 1;
    size_t i = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(line) + ": " + why;
        return false;
    };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (c == '"' || (c == 'L' && i + 1 < text.size() && text[i + 1] == '"')) {
            DescriptionToken t;
            const bool wide = c == 'L';
            t.kind = wide ? DescriptionToken::WideString : DescriptionToken::String;
            t.line = line;
            i += wide ? 2 : 1;
            for (;;) {
                if (i >= text.size() || text[i] == '\n') return fail("string not closed");
                char ch = text[i++];
                if (ch == '"') break;
                uint32_t unit = static_cast<unsigned char>(ch);
                if (ch == '\\') {
                    if (i >= text.size()) return fail("string not closed");
                    const char e = text[i++];
                    int digits = 0;
                    switch (e) {
                    case 'n': unit = '\n'; break;
                    case 'r': unit = '\r'; break;
                    case 't': unit = '\t'; break;
                    case '0': unit = 0; break;
                    case '\\': unit = '\\'; break;
                    case '"': unit = '"'; break;
                    case 'x': digits = 2; break;
                    case 'u':
                        if (!wide) return fail("\\u only in wide strings");
                        digits = 4;
                        break;
                    default: return fail(std::string("unknown escape \\") + e);
                    }
                    if (digits != 0) {
                        unit = 0;
                        for (int k = 0; k < digits; ++k) {
                            if (i >= text.size() || HexDigit(text[i]) < 0) return fail("bad hexadecimal escape");
                            unit = unit * 16 + static_cast<uint32_t>(HexDigit(text[i++]));
                        }
                    }
                }
                if (wide) t.units.push_back(static_cast<uint16_t>(unit));
                else t.text.push_back(static_cast<char>(unit));
            }
            tokens.push_back(std::move(t));
        } else if (IsWordChar(c)) {
            DescriptionToken t;
            t.kind = DescriptionToken::Word;
            t.line = line;
            while (i < text.size() && IsWordChar(text[i])) t.text.push_back(text[i++]);
            tokens.push_back(std::move(t));
        } else if (c == '{' || c == '}' || c == '[' || c == ']' || c == '=' || c == ',' || c == '(' || c == ')') {
            DescriptionToken t;
            t.kind = DescriptionToken::Punct;
            t.text = std::string(1, c);
            t.line = line;
            tokens.push_back(std::move(t));
            ++i;
        } else {
            return fail(std::string("unexpected character '") + c + "'");
        }
    }
    DescriptionToken end;
    end.line = line;
    tokens.push_back(end);
    return true;
}

}  // namespace sgvrtool
