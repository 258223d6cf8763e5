#pragma once
// A fresh row key for a temporary row: a new UUID in braces, upper-case.
// CaAddTempRecord appends its counter, so the key stays unique even when no
// UUID could be made (the text is then empty).
#include <string>

std::wstring CreateRowKey();
