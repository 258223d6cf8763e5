#include "arith/BigNum256.h"

namespace sgvr {

CBigNum256 CBigNum256::FromBytesBE(const uint8_t bytes[32]) {
    CBigNum256 r;
    for (int limb = 0; limb < 4; ++limb) {
        const uint8_t* p = bytes + 24 - 8 * limb;
        uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v = v << 8 | p[i];
        r.w[limb] = v;
    }
    return r;
}

void CBigNum256::ToBytesBE(uint8_t bytes[32]) const {
    for (int limb = 0; limb < 4; ++limb) {
        uint8_t* p = bytes + 24 - 8 * limb;
        for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(w[limb] >> (56 - 8 * i));
    }
}

uint32_t CBigNum256::Bits(int pos, int count) const {
    const int limb = pos >> 6, off = pos & 63;
    uint64_t v = w[limb] >> off;
    if (off + count > 64 && limb < 3) v |= w[limb + 1] << (64 - off);
    return static_cast<uint32_t>(v & ((uint64_t(1) << count) - 1));
}

int CBigNum256::BitLength() const {
    for (int limb = 3; limb >= 0; --limb)
        for (int b = 63; b >= 0; --b)
            if ((w[limb] >> b) & 1) return limb * 64 + b;
    return -1;
}

}  // namespace sgvr
