#include "arith/Radix64.h"

namespace sgvr {

namespace {
const char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz+/";
}

int Radix64Value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 36;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

size_t DecodeRadix64(const char* text, size_t length, uint8_t* out, size_t capacity) {
    if (!text || !out) return 0;
    uint32_t acc = 0;
    int bits = 0;
    size_t written = 0;
    for (size_t i = 0; i < length; ++i) {
        const int v = Radix64Value(text[i]);
        if (v < 0) break;
        acc |= static_cast<uint32_t>(v) << bits;
        bits += 6;
        if (bits >= 8) {
            if (written == capacity) break;
            out[written++] = static_cast<uint8_t>(acc);
            acc >>= 8;
            bits -= 8;
        }
    }
    return written;
}

size_t EncodeRadix64(const uint8_t* data, size_t length, char* out, size_t capacity) {
    if (!out || (!data && length)) return 0;
    uint32_t acc = 0;
    int bits = 0;
    size_t written = 0;
    for (size_t i = 0; i < length; ++i) {
        acc |= static_cast<uint32_t>(data[i]) << bits;
        bits += 8;
        while (bits >= 6) {
            if (written == capacity) return written;
            out[written++] = kAlphabet[acc & 63];
            acc >>= 6;
            bits -= 6;
        }
    }
    if (bits > 0 && written < capacity) out[written++] = kAlphabet[acc & 63];
    return written;
}

}  // namespace sgvr
