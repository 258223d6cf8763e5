#include "state/ScriptsIniSection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// The block's entries, split at the NULs up to the closing empty one.
std::vector<std::wstring> Entries(const std::wstring& block) {
    std::vector<std::wstring> out;
    size_t at = 0;
    for (;;) {
        const size_t end = block.find(L'\0', at);
        if (end == std::wstring::npos || end == at) break;
        out.push_back(block.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

TEST(ScriptsIniSection, OneScriptGivesTwoLinesAndTheClosingNul) {
    EXPECT_EQ(BuildScriptsIniSection({{0, L"C:\\P Q\\Private\\hf41.exe", L"/when now /clean "}}),
              L"0CmdLine=C:\\P Q\\Private\\hf41.exe\0"
              L"0Parameters=/when now /clean \0\0"s);
}

TEST(ScriptsIniSection, NoScriptsGiveAnEmptyBlock) { EXPECT_EQ(BuildScriptsIniSection({}), L"\0"s); }

TEST(ScriptsIniSection, EmptyValuesStillGiveBothLines) {
    EXPECT_EQ(BuildScriptsIniSection({{1, L"", L""}}), L"1CmdLine=\0" L"1Parameters=\0\0"s);
}

TEST(ScriptsIniSection, NamesAreLowerCaseHexadecimalInTheGivenOrder) {
    std::vector<ScriptsIniEntry> entries;
    for (int n = 0; n < 19; ++n) entries.push_back({n, L"s" + std::to_wstring(n), L"p"});
    const std::vector<std::wstring> lines = Entries(BuildScriptsIniSection(entries));
    ASSERT_EQ(lines.size(), 38u);
    EXPECT_EQ(lines[18], L"9CmdLine=s9");
    EXPECT_EQ(lines[20], L"aCmdLine=s10");
    EXPECT_EQ(lines[21], L"aParameters=p");
    EXPECT_EQ(lines[30], L"fCmdLine=s15");
    EXPECT_EQ(lines[32], L"10CmdLine=s16");
    EXPECT_EQ(lines[36], L"12CmdLine=s18");
    EXPECT_EQ(lines[37], L"12Parameters=p");
}

}  // namespace
