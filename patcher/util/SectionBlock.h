#pragma once
// The private-profile section block: entries "key=value" each ended by a NUL,
// the whole block ended by one more NUL. Pure text work, no Windows calls.
#include "SectionMap.h"

#include <cstddef>
#include <string>

// Adds the entries of a block to a map. Reads at most `length` characters of
// `block`, stopping at the first empty entry. An entry without "=" is skipped;
// the key ends at the first "=", and of two equal keys the later one wins.
void ParseSectionBlock(const wchar_t* block, size_t length, SectionMap& out);

// Entries in map order, then the closing NUL; an empty map gives two NULs.
std::wstring BuildSectionBlock(const SectionMap& in);
