// Which lines reach the log: the verbose decision from the package's
// properties or the machine's policy, and the global atoms that hand it on
// within the installer's process.
#include "ActionTestSupport.h"
#include "InstallerLog.h"
#include "TestPackage.h"
#include "calog.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

const char kVerboseAtom[] = "CaVerboseLogging";
const char kNotVerboseAtom[] = "CaNotVerboseLogging";
const wchar_t kPolicyKey[] = L"Software\\Policies\\Microsoft\\Windows\\Installer";

void RemoveAtom(const char* name)
{
    while (ATOM atom = GlobalFindAtomA(name))
        if (GlobalDeleteAtom(atom)) break;
}

void SetPolicy(const wchar_t* value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), 0);
    RegSetValueExW(key, L"Logging", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void ClearPolicy() { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kPolicyKey, L"Logging"); }

class VerboseLoggingTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override
    {
        if (m_probe) FreeLibrary(m_probe);
        Reset();
    }
    static void Reset()
    {
        RemoveAtom(kVerboseAtom);
        RemoveAtom(kNotVerboseAtom);
        ClearPolicy();
    }

    // A fresh copy of the layer, as a newly loaded custom-action library has.
    void LoadProbe()
    {
        if (m_probe) FreeLibrary(m_probe);
        m_probe = LoadLibraryW((ProgramFolder() + L"layerprobe.dll").c_str());
        ASSERT_NE(m_probe, nullptr);
        m_action = FindAction(m_probe, "ProbeLogLevels");
        ASSERT_NE(m_action, nullptr);
    }

    std::wstring Package(const wchar_t* property = nullptr, const wchar_t* value = nullptr)
    {
        TestDatabase database(CurrentTestName() + std::to_wstring(++m_packages));
        database.StandardTables().Component(L"Target", 0, true);
        if (property) database.Property(property, value);
        return database.Commit();
    }

    // The probe's lines from one call with the package.
    std::vector<std::wstring> Run(const std::wstring& path)
    {
        TestPackage package(path);
        m_log.Clear();
        EXPECT_EQ(m_action(package.Handle()), 0u);
        return m_log.LinesStartingWith(L"LayerProbe:  ");
    }

    const std::vector<std::wstring> kBoth{L"LayerProbe:  verbose line", L"LayerProbe:  standard line"};
    const std::vector<std::wstring> kStandardOnly{L"LayerProbe:  standard line"};

    InstallerLog m_log;
    HMODULE m_probe = nullptr;
    CustomAction m_action = nullptr;
    int m_packages = 0;
};

TEST_F(VerboseLoggingTest, PlainPackageWritesStandardLinesAndPublishesNotVerbose)
{
    LoadProbe();
    EXPECT_EQ(Run(Package()), kStandardOnly);
    EXPECT_EQ(GlobalFindAtomA(kVerboseAtom), 0);
    EXPECT_NE(GlobalFindAtomA(kNotVerboseAtom), 0);
}

TEST_F(VerboseLoggingTest, LogVerbosePropertyTurnsVerboseOnAndSwapsTheAtoms)
{
    GlobalAddAtomA(kNotVerboseAtom);
    LoadProbe();
    EXPECT_EQ(Run(Package(L"LOGVERBOSE", L"1")), kBoth);
    EXPECT_NE(GlobalFindAtomA(kVerboseAtom), 0);
    EXPECT_EQ(GlobalFindAtomA(kNotVerboseAtom), 0);
}

TEST_F(VerboseLoggingTest, MsiLoggingWithVTurnsVerboseOn)
{
    LoadProbe();
    EXPECT_EQ(Run(Package(L"MsiLogging", L"oicewarmupV")), kBoth);
    LoadProbe();
    EXPECT_EQ(Run(Package(L"MsiLogging", L"iwearmo")), kStandardOnly);
}

TEST_F(VerboseLoggingTest, PolicyDecidesWhenThePackageSaysNothing)
{
    SetPolicy(L"iwearmoV");
    LoadProbe();
    EXPECT_EQ(Run(Package()), kBoth);
    SetPolicy(L"iwearmo");
    LoadProbe();
    EXPECT_EQ(Run(Package()), kStandardOnly);
}

TEST_F(VerboseLoggingTest, DecisionIsMadeOncePerLoadedLibrary)
{
    LoadProbe();
    EXPECT_EQ(Run(Package(L"LOGVERBOSE", L"1")), kBoth);
    // Same library, a package that would not ask for verbose lines.
    EXPECT_EQ(Run(Package()), kBoth);
    EXPECT_NE(GlobalFindAtomA(kVerboseAtom), 0);
    // A newly loaded library decides again.
    LoadProbe();
    EXPECT_EQ(Run(Package()), kStandardOnly);
}

TEST_F(VerboseLoggingTest, AtomsOutrankThePolicy)
{
    EXPECT_FALSE(CaIsVerboseLogging());
    SetPolicy(L"v");
    EXPECT_TRUE(CaIsVerboseLogging());
    GlobalAddAtomA(kNotVerboseAtom);
    EXPECT_FALSE(CaIsVerboseLogging());
    RemoveAtom(kNotVerboseAtom);
    ClearPolicy();
    GlobalAddAtomA(kVerboseAtom);
    EXPECT_TRUE(CaIsVerboseLogging());
}

TEST_F(VerboseLoggingTest, PublishingLeavesExactlyOneAtom)
{
    EXPECT_EQ(CaPublishVerboseLogging(true), S_OK);
    EXPECT_NE(GlobalFindAtomA(kVerboseAtom), 0);
    EXPECT_EQ(GlobalFindAtomA(kNotVerboseAtom), 0);
    EXPECT_EQ(CaPublishVerboseLogging(true), S_OK);
    EXPECT_EQ(CaPublishVerboseLogging(false), S_OK);
    EXPECT_EQ(GlobalFindAtomA(kVerboseAtom), 0);
    EXPECT_NE(GlobalFindAtomA(kNotVerboseAtom), 0);
}

}  // namespace
