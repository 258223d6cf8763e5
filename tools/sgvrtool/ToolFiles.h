#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sgvrtool {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out);
// Creates or replaces the file.
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);
// Creates the file; fails when it exists. mode is the permission of a new file.
bool WriteNewFile(const std::string& path, const std::string& text, unsigned mode);
bool AppendToFile(const std::string& path, const uint8_t* data, size_t length);

}  // namespace sgvrtool
