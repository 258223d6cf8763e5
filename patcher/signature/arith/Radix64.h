#pragma once
// Radix-64 text form of the signature record: "0"-"9" = 0-9, "A"-"Z" = 10-35,
// "a"-"z" = 36-61, "+" = 62, "/" = 63; six bits per character, least significant
// bits first.
#include <cstddef>
#include <cstdint>

namespace sgvr {

// Output size the decoder may need for n characters: (n mod 4) + 3 (n div 4).
inline size_t Radix64DecodedCapacity(size_t n) { return n % 4 + 3 * (n / 4); }

// Decodes until the first character outside the alphabet, the end of the text or a
// full output buffer. Returns the number of bytes written.
size_t DecodeRadix64(const char* text, size_t length, uint8_t* out, size_t capacity);

// Encodes bytes; a last partial group of bits becomes one more character. Returns
// the number of characters written (at most capacity).
size_t EncodeRadix64(const uint8_t* data, size_t length, char* out, size_t capacity);

// 6-bit value of a character, -1 outside the alphabet.
int Radix64Value(char c);

}  // namespace sgvr
