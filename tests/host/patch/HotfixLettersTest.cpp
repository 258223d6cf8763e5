#include "HotfixLetters.h"

#include <gtest/gtest.h>

namespace {

TEST(HotfixLetters, SortedOrdinallyAndJoinedWithDots)
{
    EXPECT_EQ(JoinHotfixLetters({}), L"");
    EXPECT_EQ(JoinHotfixLetters({L"hf41"}), L"hf41");
    EXPECT_EQ(JoinHotfixLetters({L"hf41", L"hf27"}), L"hf27.hf41");
    // Code-unit order: upper case before lower case, shorter prefix first.
    EXPECT_EQ(JoinHotfixLetters({L"hf4", L"HF9", L"hf41", L"hf100"}), L"HF9.hf100.hf4.hf41");
}

TEST(HotfixLetters, DuplicatesAndEmptyLettersAreKept)
{
    EXPECT_EQ(JoinHotfixLetters({L"hf41", L"hf27", L"hf41"}), L"hf27.hf41.hf41");
    EXPECT_EQ(JoinHotfixLetters({L"hf41", L""}), L".hf41");
}

}  // namespace
