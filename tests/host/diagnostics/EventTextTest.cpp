#include "diagnostics/EventText.h"

#include <gtest/gtest.h>

namespace {

TEST(EventText, BuiltInTextsForEveryOutcome) {
    const SectionMap builtIn = DefaultEventMessages();
    EXPECT_EQ(ComposeEventText(builtIn, L"hf41", kOutcomePrepare, {}),
              L"Patch version: hf41\nPreparing for installation of patches.\n");
    EXPECT_EQ(ComposeEventText(builtIn, L"hf41", kOutcomeAtRestart, {}),
              L"Patch version: hf41\nPatches will be installed when the operating system restarts.\n");
    EXPECT_EQ(ComposeEventText(builtIn, L"hf41", kOutcomeInstallSuccess, {}),
              L"Patch version: hf41\nPatches installed successfully.\n");
    EXPECT_EQ(ComposeEventText(builtIn, L"hf41", kOutcomeInstallFail, {}),
              L"Patch version: hf41\nCannot install patches.\n");
    EXPECT_EQ(builtIn.size(), 5u);
}

TEST(EventText, ExtraLinesFollowAColonEachOnItsOwnLine) {
    EXPECT_EQ(ComposeEventText(DefaultEventMessages(), L"hf41", kOutcomeInstallSuccess, {L"a", L"b"}),
              L"Patch version: hf41\nPatches installed successfully:\na\nb\n");
    EXPECT_EQ(ComposeEventText(DefaultEventMessages(), L"hf41", kOutcomePrepare, {L""}),
              L"Patch version: hf41\nPreparing for installation of patches:\n\n");
}

TEST(EventText, KeysMissingFromALocalizedTableReadAsEmpty) {
    EXPECT_EQ(ComposeEventText({{L"InstallFail", L"Failure"}}, L"2", kOutcomeInstallFail, {}), L" 2\nFailure.\n");
    // Keys are case-sensitive: "version" is not "Version".
    EXPECT_EQ(ComposeEventText({{L"version", L"Ver"}}, L"hf41", kOutcomePrepare, {}), L" hf41\n.\n");
}

TEST(EventText, UnknownOutcomeHasNoSentence) {
    EXPECT_EQ(ComposeEventText(DefaultEventMessages(), L"hf41", 7, {}), L"Patch version: hf41\n.\n");
    EXPECT_EQ(ComposeEventText(DefaultEventMessages(), L"hf41", -1, {L"x"}), L"Patch version: hf41\n:\nx\n");
}

TEST(EventText, LocalizedTextsAreTakenAsTheyStand) {
    const SectionMap german = {{L"Version", L"Patch-Version:"}, {L"InstallSuccess", L"Patches erfolgreich installiert"}};
    EXPECT_EQ(ComposeEventText(german, L"hf41", kOutcomeInstallSuccess, {L"\u00c4nderung"}),
              L"Patch-Version: hf41\nPatches erfolgreich installiert:\n\u00c4nderung\n");
}

}  // namespace
