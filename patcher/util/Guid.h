#pragma once
#include <string>

// A new GUID in braces, lower-case, 38 characters; empty when the system
// cannot put it into text.
std::wstring NewGuidString();
