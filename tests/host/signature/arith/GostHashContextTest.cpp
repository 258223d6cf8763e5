// Context rules of the hash: state codes, starting value, wipe after finish.
#include <gtest/gtest.h>

#include <cstring>

#include "arith/GostHash.h"
#include "arith/SmallResult.h"
#include "TestHex.h"

using namespace sgvrtest;

TEST(GostHashContext, UnstartedContextRefusesUpdateAndFinish) {
    sgvr::CGostHash ctx;
    uint8_t out[32];
    EXPECT_EQ(ctx.Update("a", 1), sgvr::kResultNoParameters);
    EXPECT_EQ(ctx.Finish(out), sgvr::kResultNoParameters);
    ASSERT_EQ(ctx.Start(), 0);
    EXPECT_EQ(ctx.Update(nullptr, 3), sgvr::kResultMissingArgument);
    EXPECT_EQ(ctx.Update(nullptr, 0), 0);
    EXPECT_EQ(ctx.Finish(nullptr), sgvr::kResultMissingArgument);
    ASSERT_EQ(ctx.Finish(out), 0);
    // Finish leaves the context unstarted again.
    EXPECT_FALSE(ctx.Started());
    EXPECT_EQ(ctx.Update("a", 1), sgvr::kResultNoParameters);
}

TEST(GostHashContext, ContextIsReusableAfterFinish) {
    sgvr::CGostHash ctx;
    uint8_t a[32], b[32];
    ctx.Start();
    ctx.Update("abc", 3);
    ctx.Finish(a);
    ctx.Start();
    ctx.Update("abc", 3);
    ctx.Finish(b);
    EXPECT_EQ(ToHex(a, 32), "f3134348c44fb1b2a277729e2285ebb5cb5e0f29c975bc753b70497c06a4d51d");
    EXPECT_EQ(ToHex(b, 32), ToHex(a, 32));
}

TEST(GostHashContext, StartingValueReversesEachFourByteGroup) {
    // A zero starting value is the same as none.
    const uint8_t zero[32] = {};
    uint8_t a[32], b[32];
    sgvr::CGostHash::Compute("abc", 3, a);
    sgvr::CGostHash::ComputeFrom(zero, "abc", 3, b);
    EXPECT_EQ(ToHex(a, 32), ToHex(b, 32));

    // Reversing each four-byte group of s gives the same H as feeding s' whose
    // groups are already reversed, so chaining a finished value differs from
    // starting with its raw bytes; a value and its group-reversal give equal results
    // only when they are equal.
    uint8_t s[32], rev[32];
    for (int i = 0; i < 32; ++i) s[i] = static_cast<uint8_t>(i * 7 + 1);
    for (int g = 0; g < 8; ++g)
        for (int k = 0; k < 4; ++k) rev[4 * g + k] = s[4 * g + 3 - k];
    sgvr::CGostHash::ComputeFrom(s, "name", 4, a);
    sgvr::CGostHash::ComputeFrom(rev, "name", 4, b);
    EXPECT_NE(ToHex(a, 32), ToHex(b, 32));
    EXPECT_NE(ToHex(a, 32), ToHex(zero, 32));
}

TEST(GostHashContext, StartedFromValueEqualsStepFunctionOnReversedWords) {
    // Direct check of the starting-value layout against the step function: hashing
    // 32 bytes from s is f(f(f(H0, M), L), Sigma) with H0 word g = BE32(s[4g..]).
    uint8_t s[32], msg[32], out[32];
    for (int i = 0; i < 32; ++i) {
        s[i] = static_cast<uint8_t>(0xA0 + i);
        msg[i] = static_cast<uint8_t>(3 * i);
    }
    uint32_t h[8], m[8], len[8] = {256, 0, 0, 0, 0, 0, 0, 0};
    for (int g = 0; g < 8; ++g) {
        h[g] = uint32_t(s[4 * g]) << 24 | uint32_t(s[4 * g + 1]) << 16 | uint32_t(s[4 * g + 2]) << 8 | s[4 * g + 3];
        m[g] = uint32_t(msg[4 * g]) | uint32_t(msg[4 * g + 1]) << 8 | uint32_t(msg[4 * g + 2]) << 16 |
               uint32_t(msg[4 * g + 3]) << 24;
    }
    const sgvr::CGostSBoxTables& t = sgvr::GostHashTestTables();
    sgvr::GostHashStep(t, h, m);
    sgvr::GostHashStep(t, h, len);
    sgvr::GostHashStep(t, h, m);  // Sigma = the single block
    uint8_t expect[32];
    for (int i = 0; i < 32; ++i) expect[i] = static_cast<uint8_t>(h[i / 4] >> (8 * (i % 4)));
    sgvr::CGostHash::ComputeFrom(s, msg, 32, out);
    EXPECT_EQ(ToHex(out, 32), ToHex(expect, 32));
}
