#pragma once
// Whole-file reading and writing for the tool's commands.

#include <cstdint>
#include <string>
#include <vector>

namespace sgvrtool {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace sgvrtool
