// Every line of the GOST R 34.11-94 test-parameter vector file.
#include <gtest/gtest.h>

#include "arith/GostHash.h"
#include "TestHex.h"
#include "TestVectors.h"

using namespace sgvrtest;

TEST(GostHashVectors, EveryLineMatches) {
    const std::vector<HashVector> vectors = ParseHashVectors(VectorText("gost94-test-paramset.txt"));
    ASSERT_GE(vectors.size(), 9u);
    for (const HashVector& v : vectors) {
        ASSERT_EQ(v.input.size(), v.length) << v.inputForm;
        uint8_t out[32];
        sgvr::CGostHash::Compute(v.input.data(), v.input.size(), out);
        EXPECT_EQ(ToHex(out, 32), v.digestHex) << v.inputForm;
    }
}

TEST(GostHashVectors, ChunkedUpdatesGiveTheSameValue) {
    const std::vector<HashVector> vectors = ParseHashVectors(VectorText("gost94-test-paramset.txt"));
    for (const HashVector& v : vectors) {
        if (v.input.size() > 4096) continue;
        for (size_t chunk : {1u, 7u, 31u, 32u, 33u}) {
            sgvr::CGostHash ctx;
            ASSERT_EQ(ctx.Start(), 0);
            for (size_t off = 0; off < v.input.size(); off += chunk) {
                const size_t n = std::min(chunk, v.input.size() - off);
                ASSERT_EQ(ctx.Update(v.input.data() + off, n), 0);
            }
            uint8_t out[32];
            ASSERT_EQ(ctx.Finish(out), 0);
            EXPECT_EQ(ToHex(out, 32), v.digestHex) << v.inputForm << " chunk " << chunk;
        }
    }
}
