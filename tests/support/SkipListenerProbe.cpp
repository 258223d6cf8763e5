// A GoogleTest program with one case that skips itself, for the skip record's
// own test (skip_reasons_test.sh): the listener must record that case only.
#include <gtest/gtest.h>

TEST(Probe, Runs) { EXPECT_EQ(2 + 2, 4); }

TEST(Probe, SkipsItself) { GTEST_SKIP() << "first line\nthe reason, on the last line\n"; }
