#pragma once
// TEST DOUBLE of the package signature check, linked only into test programs.
// It accepts a file whose last bytes are kTestSignedMarker (or every file
// while acceptAll is set) and records each question it is asked.
#include <string>
#include <utility>
#include <vector>

namespace signature_double {

inline constexpr char kTestSignedMarker[] = "\r\n;:TEST-DOUBLE-SIGNED%%";

extern bool acceptAll;
// While set, every check raises zel::RuntimeError, as the real check does when
// its signature library cannot start.
extern bool cannotStart;
extern std::vector<std::pair<std::wstring, std::wstring>> calls;  // (key folder, file path)
extern std::vector<bool> heldCalls;  // per call: read through a held handle

}  // namespace signature_double
