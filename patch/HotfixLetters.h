#pragma once
// The text of the ProductHotfix value: the fixes' letters in ordinal order
// (duplicates kept) joined with ".", e.g. "hf27.hf41".
#include <string>
#include <vector>

std::wstring JoinHotfixLetters(std::vector<std::wstring> letters);
