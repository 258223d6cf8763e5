#include "arith/GostHash.h"

#include <cstring>

#include "arith/SecureWipe.h"
#include "arith/SmallResult.h"
#include "bytes/LittleEndian.h"

namespace sgvr {

namespace {

inline uint32_t Round(const CGostSBoxTables& t, uint32_t x) {
    return t.t[0][x & 0xFF] ^ t.t[1][(x >> 8) & 0xFF] ^ t.t[2][(x >> 16) & 0xFF] ^ t.t[3][x >> 24];
}

// GOST 28147-89 simple substitution encryption of the four 64-bit parts of H, each
// under its own key. The four are independent, so they run interleaved round by round
// to hide the latency of the table look-ups. Part j: lo = N1 (word 2j), hi = N2.
inline void Encrypt4(const CGostSBoxTables& t, const uint32_t k[4][8], uint32_t s[8]) {
    uint32_t a1 = s[0], a2 = s[1], b1 = s[2], b2 = s[3], c1 = s[4], c2 = s[5], d1 = s[6], d2 = s[7];
#define SGVR_ROUND_PAIR(i, j)                                          \
    a2 ^= Round(t, a1 + k[0][i]); b2 ^= Round(t, b1 + k[1][i]);        \
    c2 ^= Round(t, c1 + k[2][i]); d2 ^= Round(t, d1 + k[3][i]);        \
    a1 ^= Round(t, a2 + k[0][j]); b1 ^= Round(t, b2 + k[1][j]);        \
    c1 ^= Round(t, c2 + k[2][j]); d1 ^= Round(t, d2 + k[3][j]);
    for (int r = 0; r < 3; ++r) {
        SGVR_ROUND_PAIR(0, 1) SGVR_ROUND_PAIR(2, 3) SGVR_ROUND_PAIR(4, 5) SGVR_ROUND_PAIR(6, 7)
    }
    SGVR_ROUND_PAIR(7, 6) SGVR_ROUND_PAIR(5, 4) SGVR_ROUND_PAIR(3, 2) SGVR_ROUND_PAIR(1, 0)
#undef SGVR_ROUND_PAIR
    // The last round does not swap the halves.
    s[0] = a2; s[1] = a1; s[2] = b2; s[3] = b1; s[4] = c2; s[5] = c1; s[6] = d2; s[7] = d1;
}

// Transform P: output byte i + 4k takes input byte 8i + k.
inline void TransformP(const uint32_t w[8], uint32_t key[8]) {
    for (int k = 0; k < 8; ++k) {
        const int shift = 8 * (k & 3);
        const int word = k >> 2;
        key[k] = ((w[word] >> shift) & 0xFF) | ((w[word + 2] >> shift) & 0xFF) << 8 |
                 ((w[word + 4] >> shift) & 0xFF) << 16 | ((w[word + 6] >> shift) & 0xFF) << 24;
    }
}

// Transform A: (y4, y3, y2, y1) -> (y1 ^ y2, y4, y3, y2) on 64-bit parts.
inline void TransformA(uint32_t y[8]) {
    const uint32_t a = y[0] ^ y[2], b = y[1] ^ y[3];
    y[0] = y[2]; y[1] = y[3];
    y[2] = y[4]; y[3] = y[5];
    y[4] = y[6]; y[5] = y[7];
    y[6] = a; y[7] = b;
}

// The constant C3 of the key generation, little-endian words.
constexpr uint32_t kC3[8] = {0xff00ff00, 0xff00ff00, 0x00ff00ff, 0x00ff00ff,
                             0x00ffff00, 0xff0000ff, 0x000000ff, 0xff00ffff};

// psi^n on sixteen 16-bit words: each step drops word 0 and appends
// w0 ^ w1 ^ w2 ^ w3 ^ w12 ^ w15, so n steps just extend a running buffer.
template <int N>
inline void Psi(uint16_t* x) {
    for (int j = 0; j < N; ++j)
        x[16 + j] = static_cast<uint16_t>(x[j] ^ x[j + 1] ^ x[j + 2] ^ x[j + 3] ^ x[j + 12] ^ x[j + 15]);
}

inline void ToWords16(const uint32_t w[8], uint16_t* x) {
    for (int i = 0; i < 8; ++i) {
        x[2 * i] = static_cast<uint16_t>(w[i]);
        x[2 * i + 1] = static_cast<uint16_t>(w[i] >> 16);
    }
}

inline void AddTo256(uint32_t sum[8], const uint32_t m[8]) {
    uint32_t carry = 0;
    for (int i = 0; i < 8; ++i) {
        const uint64_t s = static_cast<uint64_t>(sum[i]) + m[i] + carry;
        sum[i] = static_cast<uint32_t>(s);
        carry = static_cast<uint32_t>(s >> 32);
    }
}

}  // namespace

void GostHashStep(const CGostSBoxTables& t, uint32_t h[8], const uint32_t m[8]) {
    uint32_t u[8], v[8], w[8], key[4][8], s[8];
    for (int i = 0; i < 8; ++i) {
        u[i] = h[i];
        v[i] = m[i];
        w[i] = u[i] ^ v[i];
        s[i] = h[i];
    }
    TransformP(w, key[0]);
    for (int j = 1; j < 4; ++j) {
        TransformA(u);
        if (j == 2)
            for (int i = 0; i < 8; ++i) u[i] ^= kC3[i];
        TransformA(v);
        TransformA(v);
        for (int i = 0; i < 8; ++i) w[i] = u[i] ^ v[i];
        TransformP(w, key[j]);
    }
    Encrypt4(t, key, s);

    // H' = psi^61(H ^ psi(M ^ psi^12(S)))
    uint16_t x[16 + 61];
    ToWords16(s, x);
    Psi<12>(x);
    uint16_t mw[16], hw[16];
    ToWords16(m, mw);
    ToWords16(h, hw);
    uint16_t y[17];
    for (int i = 0; i < 16; ++i) y[i] = static_cast<uint16_t>(x[12 + i] ^ mw[i]);
    Psi<1>(y);
    for (int i = 0; i < 16; ++i) x[i] = static_cast<uint16_t>(y[1 + i] ^ hw[i]);
    Psi<61>(x);
    for (int i = 0; i < 8; ++i)
        h[i] = static_cast<uint32_t>(x[61 + 2 * i]) | static_cast<uint32_t>(x[62 + 2 * i]) << 16;
}

CGostHash::CGostHash() { Wipe(); }

CGostHash::~CGostHash() { Wipe(); }

void CGostHash::Wipe() {
    SecureWipe(h_, sizeof h_);
    SecureWipe(sigma_, sizeof sigma_);
    SecureWipe(block_, sizeof block_);
    length_ = 0;
    waiting_ = 0;
    started_ = false;
    tables_ = nullptr;
    magic_ = kMagic;
}

void CGostHash::CopyTo(CGostHash& other) const {
    other.magic_ = magic_;
    other.started_ = started_;
    other.tables_ = tables_;
    std::memcpy(other.h_, h_, sizeof h_);
    std::memcpy(other.sigma_, sigma_, sizeof sigma_);
    other.length_ = length_;
    other.waiting_ = waiting_;
    std::memcpy(other.block_, block_, sizeof block_);
}

int CGostHash::Start(const uint8_t* startValue) {
    Wipe();
    tables_ = &GostHashTestTables();
    for (int g = 0; g < 8; ++g) {
        h_[g] = startValue ? (static_cast<uint32_t>(startValue[4 * g]) << 24 |
                              static_cast<uint32_t>(startValue[4 * g + 1]) << 16 |
                              static_cast<uint32_t>(startValue[4 * g + 2]) << 8 |
                              static_cast<uint32_t>(startValue[4 * g + 3]))
                           : 0;
        sigma_[g] = 0;
    }
    started_ = true;
    return kResultOk;
}

int CGostHash::Update(const void* data, size_t length) {
    if (!started_) return kResultNoParameters;
    if (length == 0) return kResultOk;
    if (!data) return kResultMissingArgument;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    uint32_t m[8];
    // A full block is run only once a further byte arrives, so the finish always
    // sees the last block of the input.
    while (length) {
        if (waiting_ == 32) {
            for (int i = 0; i < 8; ++i) m[i] = LoadLE32(block_ + 4 * i);
            GostHashStep(*tables_, h_, m);
            AddTo256(sigma_, m);
            length_ += 32;
            waiting_ = 0;
        }
        if (waiting_ == 0) {
            while (length > 32) {
                for (int i = 0; i < 8; ++i) m[i] = LoadLE32(p + 4 * i);
                GostHashStep(*tables_, h_, m);
                AddTo256(sigma_, m);
                length_ += 32;
                p += 32;
                length -= 32;
            }
        }
        const size_t take = length < 32 - waiting_ ? length : 32 - waiting_;
        std::memcpy(block_ + waiting_, p, take);
        waiting_ += static_cast<uint32_t>(take);
        p += take;
        length -= take;
    }
    SecureWipe(m, sizeof m);
    return kResultOk;
}

int CGostHash::Finish(uint8_t out[kGostHashSize]) {
    if (!started_) return kResultNoParameters;
    if (!out) return kResultMissingArgument;
    uint32_t m[8];
    if (waiting_) {
        std::memset(block_ + waiting_, 0, 32 - waiting_);
        for (int i = 0; i < 8; ++i) m[i] = LoadLE32(block_ + 4 * i);
        GostHashStep(*tables_, h_, m);
        AddTo256(sigma_, m);
        length_ += waiting_;
    } else if (length_ == 0) {
        // Empty input: one block of zeros is run (this differs from RHash and libgcrypt).
        std::memset(m, 0, sizeof m);
        GostHashStep(*tables_, h_, m);
    }
    // Length block: the bit count, least significant word first. The byte count is
    // 64-bit so that inputs of 512 MiB and more still get their true bit length.
    std::memset(m, 0, sizeof m);
    m[0] = static_cast<uint32_t>(length_ << 3);
    m[1] = static_cast<uint32_t>(length_ >> 29);
    m[2] = static_cast<uint32_t>(length_ >> 61);
    GostHashStep(*tables_, h_, m);
    GostHashStep(*tables_, h_, sigma_);
    // Result layout: out[4i..4i+3] is word i of H, little-endian, so out[j] holds
    // bits 8j..8j+7 of H.
    for (int i = 0; i < 8; ++i) StoreLE32(out + 4 * i, h_[i]);
    SecureWipe(m, sizeof m);
    Wipe();
    return kResultOk;
}

void CGostHash::Compute(const void* data, size_t length, uint8_t out[kGostHashSize]) {
    CGostHash ctx;
    ctx.Start();
    ctx.Update(data, length);
    ctx.Finish(out);
}

void CGostHash::ComputeFrom(const uint8_t start[kGostHashSize], const void* data, size_t length,
                            uint8_t out[kGostHashSize]) {
    CGostHash ctx;
    ctx.Start(start);
    ctx.Update(data, length);
    ctx.Finish(out);
}

}  // namespace sgvr
