// patch.dll carried in a package's Binary table and run by the engine itself,
// as the patch packages will carry it.
#include "ActionTestSupport.h"
#include "InstallerLog.h"
#include "TestPackage.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// Custom action type 1: a function of a DLL stored in the Binary table.
constexpr int kDllFromBinary = 1;
constexpr int kInScript = 0x400;

std::wstring ReadValue(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM view)
{
    wchar_t data[256] = L"";
    DWORD size = sizeof(data);
    if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ | view, nullptr, data, &size) != ERROR_SUCCESS)
        return L"<absent>";
    return data;
}

// One fix, the action in the Binary table, and one component that costing
// either puts up for installation or not.
std::wstring ActionPackage(bool installing)
{
    TestDatabase database(CurrentTestName());
    return database.StandardTables()
        .PatchInfoTable()
        .Component(installing ? L"Target" : L"Idle", 0, installing)
        .PatchInfo(kPatchId, L"hf41")
        .Binary(L"PatchDll", ProgramFolder() + L"patch.dll")
        .CustomAction(L"RegisterHotfixesInfo", kDllFromBinary, L"PatchDll", L"RegisterHotfixesInfo")
        .Commit();
}

TEST(EngineCustomAction, EngineRunsTheActionFromTheBinaryTable)
{
    InstallerLog log;
    TestPackage package(ActionPackage(true));

    EXPECT_EQ(MsiDoActionW(package.Handle(), L"RegisterHotfixesInfo"), 0u);

    const auto rows = package.RegistryRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (Row{rows[0][0], L"2", kDataKey, L"ProductHotfix", L"hf41", L"Target"}));
    EXPECT_EQ(log.LinesStartingWith(L"RegisterHotfixesInfo:  RegisterHotfixesInfo initialized.").size(), 1u);
}

TEST(EngineCustomAction, FailureOfTheActionFailsTheEngineAction)
{
    InstallerLog log;
    TestPackage package(ActionPackage(false));

    EXPECT_EQ(MsiDoActionW(package.Handle(), L"RegisterHotfixesInfo"), static_cast<UINT>(ERROR_INSTALL_FAILURE));
    EXPECT_EQ(log.LinesStartingWith(L"RegisterHotfixesInfo:  Error 0x8007000d: Failed to write info about hotfixes.").size(), 1u);
}

// The sequence of a package that installs a product with the action between
// InstallInitialize and WriteRegistryValues, where the patch packages put it.
const std::vector<std::wstring> kInstallSequence = {
    L"CostInitialize",    L"FileCost",     L"CostFinalize",      L"InstallValidate",
    L"InstallInitialize", L"ProcessComponents", L"RegisterHotfixesInfo", L"WriteRegistryValues",
    L"RegisterProduct",   L"PublishFeatures",   L"PublishProduct",       L"InstallFinalize"};

// Installed products stay registered in the prefix: each installing test has a
// product code of its own, so the other tests' packages stay uninstalled.
TestDatabase& OwnProductCode(TestDatabase& database, const std::wstring& productCode)
{
    return database.Sql(L"UPDATE `Property` SET `Value` = '" + productCode + L"' WHERE `Property` = 'ProductCode'");
}

std::wstring InstallablePackage(const std::wstring& name, const std::wstring& productCode, int attributes)
{
    TestDatabase database(name);
    return OwnProductCode(database.StandardTables(), productCode)
        .PatchInfoTable()
        .Component(L"Target", attributes, true)
        .PatchInfo(kPatchId, L"hf41")
        .PatchInfo(kOtherPatchId, L"hf27")
        .Binary(L"PatchDll", ProgramFolder() + L"patch.dll")
        .CustomAction(L"RegisterHotfixesInfo", kDllFromBinary, L"PatchDll", L"RegisterHotfixesInfo")
        .ExecuteSequence(kInstallSequence)
        .Commit();
}

// Both kinds of component end in the 32-bit view's Data key, which the
// 32-bit product reads: a 64-bit one through the Wow6432Node key name, a
// 32-bit one through the engine's own redirection.
struct ComponentKind {
    const char* name;
    const wchar_t* productCode;
    int attributes;
    const wchar_t* key;  // in the Registry row the action adds
};

class InstallationTarget : public ::testing::TestWithParam<ComponentKind> {};

TEST_P(InstallationTarget, WritesTheValueWhereTheProductReadsIt)
{
    const ComponentKind& c = GetParam();
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kDataKey.c_str(), KEY_WOW64_32KEY, 0);
    InstallerLog log;
    const std::wstring path = InstallablePackage(L"EngineCustomAction_Installation" + std::to_wstring(c.attributes),
                                                 c.productCode, c.attributes);

    ASSERT_EQ(MsiInstallProductW(path.c_str(), L""), 0u);

    const auto added = log.LinesStartingWith(L"RegisterHotfixesInfo:  Add record to Registry table: ");
    ASSERT_EQ(added.size(), 1u);
    EXPECT_NE(added[0].find(c.key), std::wstring::npos) << Narrow(added[0]);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kDataKey, L"ProductHotfix", RRF_SUBKEY_WOW6432KEY), L"hf27.hf41");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kDataKey, L"ProductHotfix", RRF_SUBKEY_WOW6464KEY), L"<absent>");

    // A maintenance run over the installed product: the component is
    // reinstalled, the row is added again and the value stays.
    log.Clear();
    ASSERT_EQ(MsiInstallProductW(path.c_str(), L"REINSTALL=ALL REINSTALLMODE=omus"), 0u);
    EXPECT_EQ(log.LinesStartingWith(L"RegisterHotfixesInfo:  SUCCESS: Component found. Name = Target").size(), 1u);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kDataKey, L"ProductHotfix", RRF_SUBKEY_WOW6432KEY), L"hf27.hf41");
}

INSTANTIATE_TEST_SUITE_P(
    EngineCustomAction, InstallationTarget,
    ::testing::Values(ComponentKind{"Component64", L"{6F1A2B3C-0001-4000-8000-00000000A001}", 0x100, L"Wow6432Node"},
                      ComponentKind{"Component32", L"{6F1A2B3C-0002-4000-8000-00000000A002}", 0,
                                    L"SOFTWARE\\TorvellanLab"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EngineCustomAction, ImmediateAndDeferredActionsLogVerboseAndPublishTheAtom)
{
    while (ATOM atom = GlobalFindAtomA("CaVerboseLogging"))
        if (GlobalDeleteAtom(atom)) break;
    InstallerLog log;
    TestDatabase database(CurrentTestName());
    std::vector<std::wstring> sequence = kInstallSequence;
    sequence.insert(sequence.begin() + 5, {L"ProbeNow", L"ProbeLater"});
    const std::wstring path = OwnProductCode(database.StandardTables(), L"{6F1A2B3C-0003-4000-8000-00000000A003}")
                                  .Component(L"Target", 0, true)
                                  .Property(L"LOGVERBOSE", L"1")
                                  .Binary(L"ProbeDll", ProgramFolder() + L"layerprobe.dll")
                                  .CustomAction(L"ProbeNow", kDllFromBinary, L"ProbeDll", L"ProbeLogLevels")
                                  .CustomAction(L"ProbeLater", kDllFromBinary | kInScript, L"ProbeDll", L"ProbeLogLevels")
                                  .Binary(L"PatchDll", ProgramFolder() + L"patch.dll")
                                  .CustomAction(L"RegisterHotfixesInfo", kDllFromBinary, L"PatchDll", L"RegisterHotfixesInfo")
                                  .ExecuteSequence(sequence)
                                  .Commit();

    ASSERT_EQ(MsiInstallProductW(path.c_str(), L""), 0u);

    // Once from the immediate run, once from the script.
    EXPECT_EQ(log.LinesStartingWith(L"LayerProbe:  verbose line").size(), 2u);
    EXPECT_EQ(log.LinesStartingWith(L"LayerProbe:  standard line").size(), 2u);
    // Published by the engine's custom-action process, seen by this one.
    EXPECT_NE(GlobalFindAtomA("CaVerboseLogging"), 0);
}

}  // namespace
