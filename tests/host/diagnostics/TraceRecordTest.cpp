#include "diagnostics/TraceRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LevelTag {
    int level;
    const char* tag;
};

class TraceLevelTable : public ::testing::TestWithParam<LevelTag> {};

TEST_P(TraceLevelTable, TagFollowsTheLevel) { EXPECT_EQ(TraceLevelTag(GetParam().level), GetParam().tag); }

// The named levels, the ranges between them that take the lower one's tag,
// and the levels without a name, written as their number.
INSTANTIATE_TEST_SUITE_P(TraceRecord, TraceLevelTable,
                         ::testing::Values(LevelTag{500, "NTF"}, LevelTag{300, "ERR"}, LevelTag{350, "WRN"},
                                           LevelTag{400, "IMP"}, LevelTag{301, "ERR"}, LevelTag{399, "ERR"},
                                           LevelTag{351, "ERR"}, LevelTag{1000, "1000"}, LevelTag{-150, "-150"},
                                           LevelTag{-100, "-100"}, LevelTag{-50, "ALW"}, LevelTag{0, "ALW"},
                                           LevelTag{999, "FFR"}, LevelTag{100, "FTL"}, LevelTag{200, "DNG"},
                                           LevelTag{600, "NOI"}, LevelTag{700, "SPM"}, LevelTag{800, "ANN"},
                                           LevelTag{2147483647, "2147483647"}),
                         [](const auto& info) {
                             const int level = info.param.level;
                             return "Level" + (level < 0 ? "Minus" + std::to_string(-level) : std::to_string(level));
                         });

TEST(TraceRecord, PrefixCarriesTimeThreadTagAndComponent) {
    const TraceTime t{9, 5, 7, 42};
    EXPECT_EQ(TraceRecordPrefix(t, 0x1a4, 500), "\n09:05:07.042\t1a4\tNTF\tpatch\t");
    EXPECT_EQ(TraceRecordPrefix(t, 0x2f, 300), "\n09:05:07.042\t02f\tERR\tpatch\t");
    EXPECT_EQ(TraceRecordPrefix(t, 0x1b2c3, 1000), "\n09:05:07.042\t1b2c3\t1000\tpatch\t");
    EXPECT_EQ(TraceRecordPrefix(TraceTime{23, 59, 59, 999}, 0, -150), "\n23:59:59.999\t000\t-150\tpatch\t");
}

TEST(TraceRecord, CharactersAboveLatin1BecomeQuestionMarks) {
    EXPECT_EQ(ToTraceBytes(L"C:\\Caf\u00e9\\\u0416\u4e2d.msp"), "C:\\Caf\xe9\\??.msp");
    EXPECT_EQ(ToTraceBytes(L""), "");
    EXPECT_EQ(ToTraceBytes(std::wstring(L"a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
