#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sgvrtool {

// The bytes under which the checker names an object: the file-name part (after the
// last "\" or "/"), lower-cased, as UTF-16LE characters with a terminating zero.
// false when name is not valid UTF-8.
bool ObjectNameBytes(const std::string& utf8Name, std::vector<uint8_t>& out);

}  // namespace sgvrtool
