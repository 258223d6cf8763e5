#pragma once
// Private key file: one line "gost2001-test-private " + 64 hex digits (d, big-endian).
#include <cstdint>
#include <string>

namespace sgvrtool {

bool WriteKeyFile(const std::string& path, const uint8_t privateKey[32]);
bool ReadKeyFile(const std::string& path, uint8_t privateKey[32]);

}  // namespace sgvrtool
