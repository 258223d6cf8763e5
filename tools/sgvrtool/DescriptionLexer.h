#pragma once
// Tokens of the registry description text.

#include <cstdint>
#include <string>
#include <vector>

namespace sgvrtool {

struct DescriptionToken {
    enum Kind { Word, String, WideString, Punct, End } kind = End;
    std::string text;              // word or punctuation; bytes of a narrow string
    std::vector<uint16_t> units;   // wide string
    int line = 0;
};

// Splits the text into tokens; false with a message naming the line on a
// malformed string or stray character.
bool LexDescription(const std::string& text, std::vector<DescriptionToken>& tokens, std::string& error);

}  // namespace sgvrtool
