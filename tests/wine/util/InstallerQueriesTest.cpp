// Installer queries before any product is installed. msi.dll is the test
// stand-in (MsiExtractPatchXMLDataW from the package's summary information;
// the other two forwarded to Wine's engine).
#include "TestData.h"
#include "TraceFile.h"
#include "state/PatchManager.h"
#include "util/ErrorText.h"
#include "util/InstallerQueries.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(InstallerQueries, NoProductForTheUpgradeCodeTracesAndThrows) {
    TraceCapture trace;
    EXPECT_EQ(ThrownText([] { GetProductCodeByUpgradeCode(kProductUpgradeCode); }),
              FormatErrorTextA(ERROR_NO_MORE_ITEMS, "GetProductCodeByUpgradeCode"));
    EXPECT_THAT(trace.Tagged(), ElementsAre("ERR GetProductCodeByUpgradeCode: Can't get product code by upgrade "
                                            "code = <{9701BE52-5D71-4DEA-B641-AC23C1652ABD}>."));
}

TEST(InstallerQueries, PatchGuidIsReadAndUpperCased) {
    std::wstring guid;
    TraceCapture trace;
    ASSERT_EQ(GetMSPPatchGUID(PackageLower(), guid), 0u);
    EXPECT_EQ(guid, kGuidLower);
    EXPECT_THAT(trace.Tagged(),
                ElementsAre("NTF GetMSPPatchGUID: Patch " + Narrow(PackageLower()) + " GUID = " + Narrow(kGuidLower)));
    ASSERT_EQ(GetMSPPatchGUID(PackageA(), guid), 0u);
    EXPECT_EQ(guid, kGuidA);
}

TEST(InstallerQueries, PackageWithoutPatchGuidGives259AndAnEmptyGuid) {
    std::wstring guid = L"stale";
    TraceCapture trace;
    EXPECT_EQ(GetMSPPatchGUID(PackageNoGuid(), guid), static_cast<unsigned long>(ERROR_NO_MORE_ITEMS));
    EXPECT_TRUE(guid.empty());
    EXPECT_THAT(trace.Lines(), IsEmpty());
}

TEST(InstallerQueries, MissingPackageReturnsTheInstallersErrorAndLeavesTheGuid) {
    std::wstring guid = L"untouched";
    EXPECT_EQ(GetMSPPatchGUID(L"C:\\no\\such\\package.msp", guid),
              static_cast<unsigned long>(ERROR_PATCH_PACKAGE_OPEN_FAILED));
    EXPECT_EQ(guid, L"untouched");
}

TEST(InstallerQueries, PatchesOfAnUnknownProductReportTheInstallersError) {
    std::vector<std::wstring> patches{L"stale"};
    EXPECT_EQ(GetProductPatches(kProductCode, patches), static_cast<unsigned long>(ERROR_UNKNOWN_PRODUCT));
    EXPECT_TRUE(patches.empty());
}

TEST(PatchManager, WithoutTheProductNothingIsCreated) {
    ScratchFolder folder(L"zep-noproduct");
    const std::wstring ini = folder / L"Patches\\Patches.ini";
    EXPECT_EQ(ThrownText([&] { CPatchManager manager(folder.path() + L"\\", folder / L"Patches", ini, true); }),
              FormatErrorTextA(ERROR_NO_MORE_ITEMS, "GetProductCodeByUpgradeCode"));
    EXPECT_FALSE(Exists(ini));
}

}  // namespace
