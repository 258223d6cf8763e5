#include "state/PatchStates.h"

#include <gtest/gtest.h>

namespace {

const std::wstring A = L"{A623E528-4926-4E76-92A1-A9220E993BE6}";
const std::wstring B = L"{B0000000-0000-0000-0000-000000000000}";

// One key through one update: its value before (empty: absent), whether a
// package carries it, whether it is applied now; its value after (empty: absent).
std::wstring After(const std::wstring& before, bool package, bool applied) {
    SectionMap state;
    if (!before.empty()) state[A] = before;
    PackageGuidMap packages;
    if (package) packages[A] = L"hf41.msp";
    std::vector<std::wstring> appliedNow;
    if (applied) appliedNow.push_back(A);
    UpdatePatchStates(state, packages, appliedNow);
    const auto found = state.find(A);
    return found == state.end() ? std::wstring() : found->second;
}

TEST(PatchStates, EveryRowOfTheTransitionTable) {
    EXPECT_EQ(After(L"", true, false), L"not_installed");
    EXPECT_EQ(After(L"", true, true), L"installed");
    EXPECT_EQ(After(L"", false, true), L"installed");
    for (const wchar_t* any : {L"installed", L"not_installed", L"ignored", L"other"})
        for (bool package : {false, true}) EXPECT_EQ(After(any, package, true), L"installed") << any;
    for (bool package : {false, true}) {
        EXPECT_EQ(After(L"installed", package, false), L"ignored");
        EXPECT_EQ(After(L"not_installed", package, false), L"not_installed");
        EXPECT_EQ(After(L"ignored", package, false), L"ignored");
        EXPECT_EQ(After(L"Installed", package, false), L"Installed");
        EXPECT_EQ(After(L"installed ", package, false), L"installed ");
    }
    EXPECT_EQ(After(L"", false, false), L"");
}

TEST(PatchStates, KeysAreComparedExactly) {
    std::wstring lower = A;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
    SectionMap state{{lower, L"installed"}};
    UpdatePatchStates(state, {}, {A});
    EXPECT_EQ(state, (SectionMap{{A, L"installed"}, {lower, L"ignored"}}));
}

TEST(PatchStates, OtherLinesAreKept) {
    SectionMap state{{B, L"not_installed"}, {L"note", L"kept"}, {L"", L"v"}};
    UpdatePatchStates(state, {{A, L"a.msp"}}, {});
    EXPECT_EQ(state, (SectionMap{{L"", L"v"}, {A, L"not_installed"}, {B, L"not_installed"}, {L"note", L"kept"}}));
}

}  // namespace
