#pragma once
// The hexadecimal numbers used in registry key names.
#include <string>

// Reads leading hexadecimal digits (blanks skipped); 0 for null, for text
// without a number, and for a number that does not fit 32 bits. Eight digits
// are taken as the 32-bit pattern, so HexToInt(IntToHex(n)) == n for every n.
int HexToInt(const wchar_t* text);

// Lower-case hexadecimal without prefix or leading zeros (a negative number
// as its 32-bit pattern).
std::wstring IntToHex(int value);
