#pragma once
// One INI section in memory: key to value, ordered by plain code-unit
// comparison of the keys (case-sensitive, no locale).
#include <map>
#include <string>

using SectionMap = std::map<std::wstring, std::wstring>;
