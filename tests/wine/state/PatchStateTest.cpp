// Patches.ini against Wine's real installer engine: the stand-in product is
// installed with msiexec /i, and patches are registered as applied with
// msiexec /p, so GetProductPatches reports what the engine really holds.
// (Package GUIDs are read through the stand-in msi.dll.)
#include "TestData.h"
#include "TraceFile.h"
#include "state/PatchManager.h"
#include "util/ConfigManager.h"
#include "util/ErrorText.h"
#include "util/InstallerQueries.h"
#include "util/MsiLibrary.h"
#include "signature/check/ZelExceptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::UnorderedElementsAre;

DWORD Msiexec(const std::wstring& arguments) { return RunAndWait(L"msiexec.exe " + arguments + L" /qn"); }

class InstalledProduct : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(Msiexec(L"/i \"" + StandInProduct() + L"\""), 0u); }
};
const auto* const kProduct = ::testing::AddGlobalTestEnvironment(new InstalledProduct);

std::string IniLine(const std::wstring& key, const std::wstring& value) { return Narrow(key) + "=" + Narrow(value) + "\r\n"; }

class PatchStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        signature_double::acceptAll = false;
        signature_double::cannotStart = false;
        CreateDirectoryW(patches.c_str(), nullptr);
    }
    void TearDown() override { signature_double::cannotStart = false; }
    std::unique_ptr<CPatchManager> Manager() {
        return std::make_unique<CPatchManager>(product.path() + L"\\", patches, ini, true);
    }

    ScratchFolder product{L"zep-product"};
    std::wstring patches = product / L"Patches";
    std::wstring ini = product / L"Patches\\Patches.ini";
};

// Runs first (tests run in the order written): nothing is applied yet.
TEST_F(PatchStateTest, InstalledProductIsFoundAndHasNoPatches) {
    EXPECT_EQ(GetProductCodeByUpgradeCode(kProductUpgradeCode), kProductCode);
    std::vector<std::wstring> applied{L"stale"};
    EXPECT_EQ(GetProductPatches(kProductCode, applied), 0u);
    EXPECT_TRUE(applied.empty());
}

TEST_F(PatchStateTest, FreshStateFileAndTheTraceOfBothUpdates) {
    TraceCapture trace;
    {
        auto manager = Manager();
        EXPECT_EQ(manager->GetProductCode(), kProductCode);
    }
    const std::vector<std::string> lines = trace.Tagged();
    SectionMap section{{L"x", L"y"}};
    CConfigManager(ini.c_str()).GetSection(kPatchesStateSection, section);
    EXPECT_TRUE(section.empty());
    EXPECT_THAT(lines, Contains("NTF CPatchManager::UpdateConfig: Start"));
    EXPECT_THAT(lines, Contains("NTF CPatchManager::UpdateConfig: Finish success"));
    EXPECT_EQ(lines.back(), "NTF CPatchManager::~CPatchManager: config-ini updated successfully.");
}

TEST_F(PatchStateTest, EveryTransitionWhileNothingIsApplied) {
    const std::wstring C = L"{CCCCCCCC-0000-0000-0000-000000000000}";
    const std::wstring D = L"{DDDDDDDD-0000-0000-0000-000000000000}";
    const std::wstring E = L"{EEEEEEEE-0000-0000-0000-000000000000}";
    WriteBytes(ini, "[PATCHES_STATE]\r\n" + IniLine(kGuidA, L"installed") + IniLine(C, L"not_installed") +
                        IniLine(D, L"ignored") + IniLine(E, L"pending") + "noequals\r\n");
    PlacePackage(PackageB(), patches + L"\\b.msp", true);            // absent, package, not applied
    PlacePackage(PackageLower(), patches + L"\\lower.msp", false);   // unsigned: not counted
    CreateDirectoryW((patches + L"\\Private").c_str(), nullptr);
    PlacePackage(PackageLower(), patches + L"\\Private\\p.msp", true);  // sub-folders are not searched
    Manager().reset();
    EXPECT_EQ(ReadBytes(ini), "[PATCHES_STATE]\r\n" + IniLine(kGuidA, L"ignored") + IniLine(kGuidB, L"not_installed") +
                                  IniLine(C, L"not_installed") + IniLine(D, L"ignored") + IniLine(E, L"pending"));
    // A second run changes nothing more: "ignored" stays until applied again.
    Manager().reset();
    EXPECT_EQ(ReadBytes(ini), "[PATCHES_STATE]\r\n" + IniLine(kGuidA, L"ignored") + IniLine(kGuidB, L"not_installed") +
                                  IniLine(C, L"not_installed") + IniLine(D, L"ignored") + IniLine(E, L"pending"));
}

TEST_F(PatchStateTest, UnreadablePackageStopsTheUpdateWithoutTouchingTheFile) {
    const std::string before = "[PATCHES_STATE]\r\n" + IniLine(kGuidB, L"installed");
    WriteBytes(ini, before);
    PlacePackage(PackageNoGuid(), patches + L"\\noguid.msp", true);
    EXPECT_EQ(ThrownText([&] { Manager(); }), FormatErrorTextA(ERROR_NO_MORE_ITEMS, "CPatchManager::GetMSPsGUIDsMap"));
    EXPECT_EQ(ReadBytes(ini), before);
}

TEST_F(PatchStateTest, DestructorTracesAFailedUpdateAndGoesOn) {
    auto manager = Manager();
    const std::string written = ReadBytes(ini);
    PlacePackage(PackageNoGuid(), patches + L"\\noguid.msp", true);
    TraceCapture trace;
    EXPECT_NO_THROW(manager.reset());
    EXPECT_EQ(trace.Tagged().back(),
              "WRN " + FormatErrorTextA(ERROR_NO_MORE_ITEMS, "CPatchManager::GetMSPsGUIDsMap"));
    EXPECT_EQ(ReadBytes(ini), written);
}

TEST_F(PatchStateTest, SignatureCheckThatCannotStartStopsTheUpdate) {
    const std::string before = "[PATCHES_STATE]\r\n" + IniLine(kGuidB, L"not_installed");
    WriteBytes(ini, before);
    PlacePackage(PackageB(), patches + L"\\b.msp", true);
    signature_double::cannotStart = true;
    EXPECT_THROW(Manager(), zel::RuntimeError);
    EXPECT_EQ(ReadBytes(ini), before);

    // In the destructor it is traced like any other failure of the update.
    signature_double::cannotStart = false;
    auto manager = Manager();
    const std::string written = ReadBytes(ini);
    signature_double::cannotStart = true;
    TraceCapture trace;
    EXPECT_NO_THROW(manager.reset());
    EXPECT_EQ(trace.Tagged().back(), "WRN RuntimeError");
    EXPECT_EQ(ReadBytes(ini), written);
}

// After this test patch A stays applied for the rest of the program.
TEST_F(PatchStateTest, AppliedPatchBecomesInstalledAndExactKeysMatter) {
    std::wstring lowerA = kGuidA;
    for (wchar_t& c : lowerA) c = static_cast<wchar_t>(towlower(c));
    const std::wstring F = L"{FFFFFFFF-0000-0000-0000-000000000000}";
    WriteBytes(ini, "[PATCHES_STATE]\r\n" + IniLine(kGuidA, L"ignored") + IniLine(lowerA, L"installed") +
                        IniLine(F, L"installed"));
    PlacePackage(PackageA(), patches + L"\\hf41.msp", true);  // package present and applied: "installed"
    ASSERT_EQ(Msiexec(L"/p \"" + PackageA() + L"\""), 0u);

    auto manager = Manager();
    EXPECT_TRUE(manager->IsPatchInstalled(kGuidA));
    EXPECT_FALSE(manager->IsPatchInstalled(lowerA));
    EXPECT_FALSE(manager->IsPatchInstalled(kGuidB));
    manager.reset();
    EXPECT_EQ(ReadBytes(ini), "[PATCHES_STATE]\r\n" + IniLine(kGuidA, L"installed") + IniLine(F, L"ignored") +
                                  IniLine(lowerA, L"ignored"));
    std::vector<std::wstring> applied;
    EXPECT_EQ(GetProductPatches(kProductCode, applied), 0u);
    EXPECT_THAT(applied, ElementsAre(kGuidA));
}

// Runs after patch A was applied.
TEST_F(PatchStateTest, PatchWithALongTransformListIsListedOnce) {
    ASSERT_EQ(Msiexec(L"/p \"" + PackageLongTransforms() + L"\""), 0u);
    std::vector<std::wstring> applied;
    EXPECT_EQ(GetProductPatches(kProductCode, applied), 0u);
    EXPECT_THAT(applied, UnorderedElementsAre(kGuidA, kGuidLong));

    // The engine does refuse the first, 64-character offer for that patch.
    UINT answers[2] = {};
    for (DWORD index = 0; index < 2; ++index) {
        wchar_t patch[40];
        wchar_t transforms[64];
        DWORD length = 64;
        answers[index] = Msi().enumPatches(kProductCode.c_str(), index, patch, transforms, &length);
    }
    EXPECT_THAT(answers, Contains(static_cast<UINT>(ERROR_MORE_DATA)));
}

// Runs last: it removes the product. A manager whose product went away
// meanwhile cannot enumerate the applied patches any more.
TEST_F(PatchStateTest, ProductRemovedMeanwhileFailsTheEnumerationAndKeepsTheFile) {
    auto manager = Manager();
    const std::string written = ReadBytes(ini);
    ASSERT_EQ(Msiexec(L"/x " + kProductCode), 0u);

    EXPECT_EQ(ThrownText([&] { (void)manager->IsPatchInstalled(kGuidA); }),
              FormatErrorTextA(ERROR_UNKNOWN_PRODUCT, "CPatchManager::IsPatchInstalled"));
    TraceCapture trace;
    EXPECT_NO_THROW(manager.reset());
    const std::vector<std::string> lines = trace.Tagged();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "WRN " + FormatErrorTextA(ERROR_UNKNOWN_PRODUCT, "CPatchManager::UpdateConfig"));
    EXPECT_THAT(lines, Not(Contains("NTF CPatchManager::UpdateConfig: Finish success")));
    EXPECT_EQ(ReadBytes(ini), written);
}

}  // namespace
