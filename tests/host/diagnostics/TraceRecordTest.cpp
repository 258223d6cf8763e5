#include "diagnostics/TraceRecord.h"

#include <gtest/gtest.h>

namespace {

TEST(TraceRecord, TagsFollowTheLevelTable) {
    const std::pair<int, const char*> cases[] = {
        {500, "NTF"}, {300, "ERR"}, {350, "WRN"}, {400, "IMP"}, {301, "ERR"}, {399, "ERR"}, {351, "ERR"},
        {1000, "1000"}, {-150, "-150"}, {-100, "-100"}, {-50, "ALW"}, {0, "ALW"}, {999, "FFR"},
        {100, "FTL"}, {200, "DNG"}, {600, "NOI"}, {700, "SPM"}, {800, "ANN"}, {2147483647, "2147483647"}};
    for (const auto& [level, tag] : cases) EXPECT_EQ(TraceLevelTag(level), tag) << level;
}

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
