#include "core/MsiexecCommandLine.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kTrace = L"C:\\ProgramData\\ZEP 8\\Trace\\";
const std::wstring kPackage = L"C:\\Program Files\\ZEP 8\\Patches\\hf41.msp";
const std::wstring kProduct = L"{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}";
const std::wstring kPatch = L"{A623E528-4926-4E76-92A1-A9220E993BE6}";

TEST(ApplyCommandLine, HiddenUserInterfaceQuotesLogAndPackageWithBlanks) {
    EXPECT_EQ(BuildApplyCommandLine({kPackage}, false, kTrace),
              L"msiexec.exe /qn /lv+* \"C:\\ProgramData\\ZEP 8\\Trace\\ZEPPatchMSI.log\" /update "
              L"\"C:\\Program Files\\ZEP 8\\Patches\\hf41.msp\" INSTALLONREBOOT=1");
}

TEST(ApplyCommandLine, ShownUserInterfaceHasNoQuietSwitchAnywhere) {
    const std::wstring line = BuildApplyCommandLine({kPackage}, true, kTrace);
    EXPECT_EQ(line, L"msiexec.exe /lv+* \"C:\\ProgramData\\ZEP 8\\Trace\\ZEPPatchMSI.log\" /update "
                    L"\"C:\\Program Files\\ZEP 8\\Patches\\hf41.msp\" INSTALLONREBOOT=1");
    EXPECT_EQ(line.find(L"/qn"), std::wstring::npos);
}

TEST(ApplyCommandLine, EmptyTraceFolderLeavesTheBareQuotedLogName) {
    EXPECT_EQ(BuildApplyCommandLine({L"C:\\P\\hf41.msp"}, false, L""),
              L"msiexec.exe /qn /lv+* \"ZEPPatchMSI.log\" /update \"C:\\P\\hf41.msp\" INSTALLONREBOOT=1");
}

TEST(ApplyCommandLine, TraceFolderIsJoinedWithoutAddingASeparator) {
    EXPECT_EQ(BuildApplyCommandLine({L"a.msp"}, false, L"C:\\Trace"),
              L"msiexec.exe /qn /lv+* \"C:\\TraceZEPPatchMSI.log\" /update \"a.msp\" INSTALLONREBOOT=1");
}

TEST(ApplyCommandLine, SeveralPackagesShareOneQuotedListWithoutTrailingSeparator) {
    EXPECT_EQ(BuildApplyCommandLine({L"C:\\a b\\1.msp", L"C:\\2.msp", L"3.msp"}, false, L"T\\"),
              L"msiexec.exe /qn /lv+* \"T\\ZEPPatchMSI.log\" /update \"C:\\a b\\1.msp;C:\\2.msp;3.msp\" "
              L"INSTALLONREBOOT=1");
}

TEST(ApplyCommandLine, NoPackageKeepsTheQuotesPaired) {
    // Cutting the last character of an empty list would eat the opening quote.
    EXPECT_EQ(BuildApplyCommandLine({}, false, L"T\\"),
              L"msiexec.exe /qn /lv+* \"T\\ZEPPatchMSI.log\" /update \"\" INSTALLONREBOOT=1");
}

TEST(UninstallCommandLine, QuietSwitchComesAfterTheLog) {
    EXPECT_EQ(BuildUninstallCommandLine({kPatch}, kProduct, false, kTrace),
              L"msiexec.exe /package {D72DD679-A3EC-4FCF-AFAF-12E2552450B6} /uninstall "
              L"{A623E528-4926-4E76-92A1-A9220E993BE6} /lv+* \"C:\\ProgramData\\ZEP 8\\Trace\\ZEPPatchMSI.log\" /qn "
              L"INSTALLONREBOOT=1");
}

TEST(UninstallCommandLine, ShownUserInterfaceEndsWithLogThenProperty) {
    const std::wstring line = BuildUninstallCommandLine({kPatch}, kProduct, true, kTrace);
    EXPECT_EQ(line, L"msiexec.exe /package {D72DD679-A3EC-4FCF-AFAF-12E2552450B6} /uninstall "
                    L"{A623E528-4926-4E76-92A1-A9220E993BE6} /lv+* \"C:\\ProgramData\\ZEP 8\\Trace\\ZEPPatchMSI.log\" "
                    L"INSTALLONREBOOT=1");
    EXPECT_EQ(line.find(L"/qn"), std::wstring::npos);
}

TEST(UninstallCommandLine, EmptyTraceFolderAndSeveralPatches) {
    EXPECT_EQ(BuildUninstallCommandLine({L"{A}", L"{B}"}, L"{P}", false, L""),
              L"msiexec.exe /package {P} /uninstall {A};{B} /lv+* \"ZEPPatchMSI.log\" /qn INSTALLONREBOOT=1");
}

TEST(UninstallCommandLine, NoPatchLeavesTheListEmpty) {
    EXPECT_EQ(BuildUninstallCommandLine({}, L"{P}", true, L"T\\"),
              L"msiexec.exe /package {P} /uninstall  /lv+* \"T\\ZEPPatchMSI.log\" INSTALLONREBOOT=1");
}

}  // namespace
