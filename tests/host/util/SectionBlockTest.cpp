#include "util/SectionBlock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

SectionMap Parse(const std::wstring& block) {
    SectionMap out;
    ParseSectionBlock(block.data(), block.size(), out);
    return out;
}

TEST(SectionBlock, KeysEndAtTheFirstEqualsAndLinesWithoutOneAreSkipped) {
    const std::wstring block(L"a=1\0b=x=y\0noequals\0=v\0k=\0\0", 27);
    const SectionMap expected{{L"a", L"1"}, {L"b", L"x=y"}, {L"", L"v"}, {L"k", L""}};
    EXPECT_EQ(Parse(block), expected);
}

TEST(SectionBlock, LaterDuplicateWinsAndCaseMatters) {
    const SectionMap parsed = Parse(std::wstring(L"k=1\0Key=A\0k=2\0key=b\0\0", 21));
    const SectionMap expected{{L"Key", L"A"}, {L"k", L"2"}, {L"key", L"b"}};
    EXPECT_EQ(parsed, expected);
}

TEST(SectionBlock, BlanksAreKeptAsTheSystemReturnedThem) {
    EXPECT_EQ(Parse(std::wstring(L" a = 1 \0\0", 9)), (SectionMap{{L" a ", L" 1 "}}));
}

TEST(SectionBlock, ReadingStopsAtTheFirstEmptyEntryOrAtTheGivenLength) {
    EXPECT_EQ(Parse(std::wstring(L"a=1\0\0b=2\0\0", 11)), (SectionMap{{L"a", L"1"}}));
    // A block cut without its NULs: the characters past the length are never looked at.
    const std::wstring buffer(L"a=1\0b=2XXXX", 11);
    SectionMap out;
    ParseSectionBlock(buffer.data(), 7, out);
    EXPECT_EQ(out, (SectionMap{{L"a", L"1"}, {L"b", L"2"}}));
    out.clear();
    ParseSectionBlock(nullptr, 10, out);
    ParseSectionBlock(buffer.data(), 0, out);
    EXPECT_TRUE(out.empty());
}

TEST(SectionBlock, ParseAddsToWhatTheMapHolds) {
    SectionMap out{{L"z", L"old"}, {L"a", L"old"}};
    const std::wstring block(L"a=new\0\0", 7);
    ParseSectionBlock(block.data(), block.size(), out);
    EXPECT_EQ(out, (SectionMap{{L"a", L"new"}, {L"z", L"old"}}));
}

TEST(SectionBlock, BuildWritesMapOrderAndClosesWithOneNul) {
    SectionMap in;
    in[L"B"] = L"2";
    in[L"A"] = L"1";
    in[L"a"] = L"x=y";
    EXPECT_EQ(BuildSectionBlock(in), std::wstring(L"A=1\0B=2\0a=x=y\0\0", 15));
}

TEST(SectionBlock, EmptyMapBuildsTwoNuls) {
    EXPECT_EQ(BuildSectionBlock(SectionMap{}), std::wstring(L"\0\0", 2));
    // An entry with empty key and value is still an entry, not an empty block.
    EXPECT_EQ(BuildSectionBlock(SectionMap{{L"", L""}}), std::wstring(L"=\0\0", 3));
}

TEST(SectionBlock, BuildThenParseGivesTheMapBack) {
    const SectionMap in{{L"{A623E528-4926-4E76-92A1-A9220E993BE6}", L"installed"},
                        {L"{a623e528-4926-4e76-92a1-a9220e993be6}", L"ignored"},
                        {L"", L"v"},
                        {L"k", L""},
                        {L"x", L"a=b=c"}};
    EXPECT_EQ(Parse(BuildSectionBlock(in)), in);
}

}  // namespace
