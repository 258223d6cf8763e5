#include "core/CmdParser.h"

#include <gtest/gtest.h>

namespace {

using Switches = CCMDParser::SwitchMap;

Switches Parse(const std::vector<std::wstring>& args) { return CCMDParser(args).Switches(); }

TEST(CmdParser, ProgramPathAloneLeavesNoSwitch) {
    EXPECT_TRUE(Parse({L"C:\\p\\hf41.exe"}).empty());
    EXPECT_TRUE(Parse({}).empty());
}

TEST(CmdParser, SwitchNamesFoldToLowerCaseValuesKeepTheirCase) {
    EXPECT_EQ(Parse({L"x", L"/WHEN", L"now"}), (Switches{{L"/when", L"now"}}));
    EXPECT_EQ(Parse({L"x", L"/When", L"NOW"}), (Switches{{L"/when", L"NOW"}}));
}

TEST(CmdParser, SwitchFollowedBySwitchOrNothingHasEmptyValue) {
    EXPECT_EQ(Parse({L"x", L"/when", L"/uninstall"}), (Switches{{L"/uninstall", L""}, {L"/when", L""}}));
    EXPECT_EQ(Parse({L"x", L"/when"}), (Switches{{L"/when", L""}}));
}

TEST(CmdParser, FollowingWordIsConsumedAsValue) {
    const CCMDParser uninstall({L"x", L"/uninstall", L"now"});
    EXPECT_EQ(uninstall.Switches(), (Switches{{L"/uninstall", L"now"}}));
    EXPECT_FALSE(uninstall.IsParamPresent(L"/when"));
    EXPECT_EQ(uninstall.GetWhenValue(), L"");

    const CCMDParser showui({L"x", L"/showui", L"yes"});
    EXPECT_TRUE(showui.IsParamPresent(L"/showui"));
}

TEST(CmdParser, EmptyArgumentIsConsumedAsEmptyValue) {
    EXPECT_EQ(Parse({L"x", L"/when", L"", L"now"}), (Switches{{L"/when", L""}}));
}

TEST(CmdParser, LastOccurrenceWins) {
    const CCMDParser parser({L"x", L"/when", L"now", L"/WHEN", L"reboot"});
    EXPECT_EQ(parser.GetWhenValue(), L"reboot");
    EXPECT_EQ(parser.Switches().size(), 1u);
}

TEST(CmdParser, UnknownSwitchesAreKeptInKeyOrderAndStrayWordsIgnored) {
    EXPECT_EQ(Parse({L"x", L"stray", L"/when", L"now", L"/quiet", L"/clean", L"/showui"}),
              (Switches{{L"/clean", L""}, {L"/quiet", L""}, {L"/showui", L""}, {L"/when", L"now"}}));
}

TEST(CmdParser, LookupIgnoresCaseAndRefusesNull) {
    const CCMDParser parser({L"x", L"/showui"});
    EXPECT_TRUE(parser.IsParamPresent(L"/SHOWUI"));
    EXPECT_TRUE(parser.IsParamPresent(L"/ShowUI"));
    EXPECT_FALSE(parser.IsParamPresent(L"/show"));
    EXPECT_FALSE(parser.IsParamPresent(nullptr));
}

}  // namespace
