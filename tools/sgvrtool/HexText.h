#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sgvrtool {

std::string ToHex(const uint8_t* data, size_t length);
// Exactly expectedBytes bytes of hex digits (either case); false otherwise.
bool ParseHex(const std::string& text, size_t expectedBytes, std::vector<uint8_t>& out);

}  // namespace sgvrtool
