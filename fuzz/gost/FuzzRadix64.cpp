// Radix-64 decoder and signature record with arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "arith/Radix64.h"
#include "arith/TrailerSignature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // First byte: output capacity, to probe the bound; the rest is the text.
    const size_t capacity = data[0];
    const char* text = reinterpret_cast<const char*>(data + 1);
    const size_t n = size - 1;
    std::vector<uint8_t> out(capacity);
    const size_t got = sgvr::DecodeRadix64(text, n, out.data(), capacity);
    if (got > capacity || got > sgvr::Radix64DecodedCapacity(n)) __builtin_trap();
    // Re-encoding what was decoded reproduces the leading characters.
    std::vector<char> back(2 * got + 2);
    const size_t chars = sgvr::EncodeRadix64(out.data(), got, back.data(), back.size());
    std::vector<uint8_t> again(got + 1);
    if (sgvr::DecodeRadix64(back.data(), chars, again.data(), got) != got ||
        (got && std::memcmp(again.data(), out.data(), got) != 0))
        __builtin_trap();
    if (size >= sgvr::kTrailerSize) {
        uint8_t sig[64];
        sgvr::DecodeSignatureRecord(data + size - sgvr::kTrailerSize, sig);
    }
    return 0;
}
