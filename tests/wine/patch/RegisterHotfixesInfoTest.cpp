// RegisterHotfixesInfo as the installer calls it: the built patch.dll is
// loaded, given the install handle of a costed package, and what it leaves in
// the package's tables and log is read back.
#include "ActionTestSupport.h"
#include "InstallerLog.h"
#include "TestPackage.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>

namespace {

const std::wstring kPrefix = L"RegisterHotfixesInfo:  ";

class RegisterHotfixesInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryW((ProgramFolder() + L"patch.dll").c_str());
        ASSERT_NE(m_module, nullptr);
        m_action = FindAction(m_module, "RegisterHotfixesInfo");
        ASSERT_NE(m_action, nullptr);
    }
    void TearDown() override
    {
        if (m_module) FreeLibrary(m_module);
    }

    // A package with the standard tables and one installing component "Target".
    TestDatabase& NewDatabase(bool withPatchInfo = true)
    {
        m_database.reset(new TestDatabase(CurrentTestName()));
        m_database->StandardTables();
        if (withPatchInfo) m_database->PatchInfoTable();
        return *m_database;
    }

    UINT Run(const TestPackage& package)
    {
        m_log.Clear();
        return m_action(package.Handle());
    }

    // The action's own lines, without the name prefix.
    std::vector<std::wstring> ActionLines() const
    {
        std::vector<std::wstring> lines;
        for (const std::wstring& line : m_log.LinesStartingWith(kPrefix)) lines.push_back(line.substr(kPrefix.size()));
        return lines;
    }

    // The row key logged in an "Add record" line (the text before the first comma).
    static std::wstring LoggedKey(const std::wstring& line)
    {
        const size_t start = line.find(L": ") + 2;
        return line.substr(start, line.find(L',') - start);
    }

    InstallerLog m_log;
    std::unique_ptr<TestDatabase> m_database;
    HMODULE m_module = nullptr;
    CustomAction m_action = nullptr;
};

TEST_F(RegisterHotfixesInfoTest, OneFixBecomesRegistryRowOfFirstInstallingComponent)
{
    const std::wstring path = NewDatabase()
                                  .Component(L"Skipped", 0x100, false)
                                  .Component(L"Target", 0, true)
                                  .Component(L"Later", 0x100, true)
                                  .PatchInfo(kPatchId, L"hf41")
                                  .Commit();
    TestPackage package(path);

    ASSERT_EQ(Run(package), 0u);

    const auto lines = ActionLines();
    ASSERT_EQ(lines.size(), 3u) << Narrow(lines.back());
    EXPECT_EQ(lines[0], L"RegisterHotfixesInfo initialized.");
    EXPECT_EQ(lines[1], L"SUCCESS: Component found. Name = Target, attributes = 0");
    const std::wstring key = LoggedKey(lines[2]);
    EXPECT_TRUE(IsUuidText(key)) << Narrow(lines[2]);
    EXPECT_EQ(lines[2], L"Add record to Registry table: " + key + L", 2, " + kDataKey + L", ProductHotfix, hf41, Target.");

    const auto rows = package.RegistryRows();
    ASSERT_EQ(rows.size(), 1u);
    // The key gets the layer's counter appended.
    EXPECT_EQ(rows[0][0].compare(0, key.size(), key), 0);
    EXPECT_TRUE(IsDecimal(rows[0][0].substr(key.size()))) << Narrow(rows[0][0]);
    EXPECT_EQ(rows[0], (Row{rows[0][0], L"2", kDataKey, L"ProductHotfix", L"hf41", L"Target"}));
    EXPECT_TRUE(package.RemoveRegistryRows().empty());
}

TEST_F(RegisterHotfixesInfoTest, SixtyFourBitComponentNamesTheWow6432NodeKey)
{
    const std::wstring path =
        NewDatabase().Component(L"Target64", 0x104, true).Component(L"Plain", 0, true).PatchInfo(kPatchId, L"hf41").Commit();
    TestPackage package(path);

    ASSERT_EQ(Run(package), 0u);

    const auto rows = package.RegistryRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][2], kDataKeyWow64);
    EXPECT_EQ(rows[0][5], L"Target64");
    EXPECT_EQ(ActionLines().at(1), L"SUCCESS: Component found. Name = Target64, attributes = 260");
}

TEST_F(RegisterHotfixesInfoTest, LettersAreSortedAndJoinedAndDuplicateIdKeepsFirstLetter)
{
    // Rows of several packages; keyed on both columns so an id can repeat.
    m_database.reset(new TestDatabase(CurrentTestName()));
    const std::wstring path =
        m_database->StandardTables()
            .Sql(L"CREATE TABLE `PatchInfo` (`PatchId` CHAR(72) NOT NULL, `Letter` CHAR(72) NOT NULL "
                 L"PRIMARY KEY `PatchId`, `Letter`)")
            .Component(L"Target", 0, true)
            .PatchInfo(kPatchId, L"hf41")
            .PatchInfo(kOtherPatchId, L"hf27")
            .PatchInfo(kPatchId, L"hf99")
            .Commit();
    TestPackage package(path);
    // The engine hands the rows of an id back in this order; the first one counts.
    const auto stored = package.Query(L"SELECT `PatchId`, `Letter` FROM `PatchInfo` WHERE `PatchId` = '" + kPatchId + L"'");
    ASSERT_EQ(stored.size(), 2u);
    ASSERT_EQ(stored[0][1], L"hf41");

    ASSERT_EQ(Run(package), 0u);

    const auto lines = ActionLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         L"WARNING: The registration of hotfix '" + kPatchId + L"' duplicated."),
              1);
    const auto rows = package.RegistryRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][4], L"hf27.hf41");
}

TEST_F(RegisterHotfixesInfoTest, RemovalWithoutFixesAddsRemoveRegistryRow)
{
    const std::wstring path = NewDatabase()
                                  .Component(L"Target", 0, true)
                                  .Property(L"MSIPATCHREMOVE", kPatchCode)
                                  .Commit();
    TestPackage package(path);

    ASSERT_EQ(Run(package), 0u);

    const auto lines = ActionLines();
    ASSERT_EQ(lines.size(), 3u);
    const std::wstring key = LoggedKey(lines[2]);
    EXPECT_TRUE(IsUuidText(key));
    EXPECT_EQ(lines[2], L"Add record to RemoveRegistry table: " + key + L", 2, " + kDataKey + L", ProductHotfix, Target.");
    const auto rows = package.RemoveRegistryRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (Row{rows[0][0], L"2", kDataKey, L"ProductHotfix", L"Target"}));
    EXPECT_TRUE(package.RegistryRows().empty());
}

TEST_F(RegisterHotfixesInfoTest, RemovalWhileOtherFixesRemainRewritesTheValue)
{
    const std::wstring path = NewDatabase()
                                  .Component(L"Target", 0x100, true)
                                  .PatchInfo(kOtherPatchId, L"hf27")
                                  .Property(L"MSIPATCHREMOVE", kPatchCode)
                                  .Commit();
    TestPackage package(path);

    ASSERT_EQ(Run(package), 0u);

    const auto rows = package.RegistryRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (Row{rows[0][0], L"2", kDataKeyWow64, L"ProductHotfix", L"hf27", L"Target"}));
    EXPECT_TRUE(package.RemoveRegistryRows().empty());
}

TEST_F(RegisterHotfixesInfoTest, MissingPatchInfoTableWarnsAndCountsAsNoFixes)
{
    const std::wstring path = NewDatabase(false)
                                  .Component(L"Target", 0, true)
                                  .Property(L"MSIPATCHREMOVE", kPatchCode)
                                  .Commit();
    TestPackage package(path);

    ASSERT_EQ(Run(package), 0u);

    const auto lines = ActionLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], L"RegisterHotfixesInfo initialized.");
    // The layer's own line names the engine's answer to the query.
    EXPECT_EQ(lines[1], L"Error 0x8007064f: failed to open view on database");
    EXPECT_EQ(lines[2], L"WARNING: Failed to execute view on PatchInfo table.");
    EXPECT_EQ(package.RemoveRegistryRows().size(), 1u);
}

TEST_F(RegisterHotfixesInfoTest, NeitherFixesNorRemovalAddsNothing)
{
    for (bool withPatchInfo : {true, false}) {
        SCOPED_TRACE(withPatchInfo ? "empty PatchInfo" : "no PatchInfo");
        const std::wstring path = NewDatabase(withPatchInfo).Component(L"Target", 0, true).Commit();
        TestPackage package(path);

        ASSERT_EQ(Run(package), 0u);

        EXPECT_EQ(ActionLines().back(), L"The .msp patchs not used. Not changes any fix registration.");
        EXPECT_TRUE(package.RegistryRows().empty());
        EXPECT_TRUE(package.RemoveRegistryRows().empty());
    }
}

TEST_F(RegisterHotfixesInfoTest, NoInstallingComponentLeavesTheOutcomeToTheEngine)
{
    // The standard Registry table refuses a row without a component.
    {
        const std::wstring path = NewDatabase().Component(L"Idle", 0, false).PatchInfo(kPatchId, L"hf41").Commit();
        TestPackage package(path);

        EXPECT_EQ(Run(package), 1603u);

        const auto lines = ActionLines();
        ASSERT_EQ(lines.size(), 5u);
        EXPECT_EQ(lines[1], L"Add record to Registry table: " + LoggedKey(lines[1]) + L", 2, " + kDataKey +
                                L", ProductHotfix, hf41, .");
        EXPECT_EQ(lines[2], L"Error 0x8007000d: failed to add temporary row, dberr: 0, err: ");
        EXPECT_EQ(lines[3],
                  L"WARNING: Failed to add record 'ProductHotfix' 'hf41' to registry table. Error -2147024883.");
        EXPECT_EQ(lines[4], L"Error 0x8007000d: Failed to write info about hotfixes.");
        EXPECT_TRUE(package.RegistryRows().empty());
    }
    // A table that takes it keeps a row with an empty component name.
    {
        m_database.reset(new TestDatabase(CurrentTestName() + L"_nullable"));
        const std::wstring path =
            m_database->StandardTables()
                .Sql(L"DROP TABLE `RemoveRegistry`")
                .Sql(L"CREATE TABLE `RemoveRegistry` (`RemoveRegistry` CHAR(72) NOT NULL, `Root` SHORT NOT NULL, "
                     L"`Key` CHAR(255) NOT NULL, `Name` CHAR(255), `Component_` CHAR(72) PRIMARY KEY `RemoveRegistry`)")
                .Component(L"Idle", 0, false)
                .Property(L"MSIPATCHREMOVE", kPatchCode)
                .Commit();
        TestPackage package(path);

        EXPECT_EQ(Run(package), 0u);

        const auto rows = package.RemoveRegistryRows();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][4], L"");
    }
}

TEST_F(RegisterHotfixesInfoTest, RefusedRemoveRowFailsTheAction)
{
    const std::wstring path = NewDatabase()
                                  .Component(L"Idle", 0, false)
                                  .Property(L"MSIPATCHREMOVE", kPatchCode)
                                  .Commit();
    TestPackage package(path);

    EXPECT_EQ(Run(package), 1603u);

    const auto lines = ActionLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], L"WARNING: Failed to add record 'ProductHotfix' to remove registry table. Error -2147024883.");
    EXPECT_EQ(lines[4], L"Error 0x8007000d: Failed to remove info about hotfixes.");
}

TEST_F(RegisterHotfixesInfoTest, UnqueryableComponentTableFailsTheAction)
{
    m_database.reset(new TestDatabase(CurrentTestName()));
    const std::wstring path = m_database->StandardTables()
                                  .Sql(L"DROP TABLE `FeatureComponents`")
                                  .Sql(L"DROP TABLE `Component`")
                                  .PatchInfoTable()
                                  .PatchInfo(kPatchId, L"hf41")
                                  .Commit();
    TestPackage package(path, false);

    EXPECT_EQ(Run(package), 1603u);

    const auto lines = ActionLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], L"WARNING: Failed to execute view on Component table.");
    EXPECT_EQ(lines[3], L"Error 0x8007064f: Failed to get component name.");
}

TEST_F(RegisterHotfixesInfoTest, ComponentWhoseStateCannotBeReadIsSkippedWithAWarning)
{
    // "Ghost" is already in the database's string pool (as a property), so its
    // row sorts before Target's.
    const std::wstring path =
        NewDatabase().Property(L"Ghost", L"1").Component(L"Target", 0, true).PatchInfo(kPatchId, L"hf41").Commit();
    TestPackage package(path);
    // Added after costing: the engine holds no state for this component.
    const MSIHANDLE database = MsiGetActiveDatabase(package.Handle());
    MSIHANDLE view = 0;
    ASSERT_EQ(MsiDatabaseOpenViewW(
                  database, L"SELECT `Component`, `ComponentId`, `Directory_`, `Attributes` FROM `Component`", &view),
              0u);
    ASSERT_EQ(MsiViewExecute(view, 0), 0u);
    const MSIHANDLE record = MsiCreateRecord(4);
    MsiRecordSetStringW(record, 1, L"Ghost");
    MsiRecordSetStringW(record, 2, L"{0C0C0C0C-0000-4000-8000-000000000000}");
    MsiRecordSetStringW(record, 3, L"TARGETDIR");
    MsiRecordSetInteger(record, 4, 0x100);
    const UINT inserted = MsiViewModify(view, MSIMODIFY_INSERT_TEMPORARY, record);
    MsiCloseHandle(record);
    MsiCloseHandle(view);
    MsiCloseHandle(database);
    ASSERT_EQ(inserted, 0u);
    const auto components = package.Query(L"SELECT `Component` FROM `Component`");
    ASSERT_EQ(components, (std::vector<Row>{{L"Ghost"}, {L"Target"}}));
    INSTALLSTATE installed = INSTALLSTATE_UNKNOWN, requested = INSTALLSTATE_UNKNOWN;
    ASSERT_NE(MsiGetComponentStateW(package.Handle(), L"Ghost", &installed, &requested), 0u);

    ASSERT_EQ(Run(package), 0u);

    const auto lines = ActionLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], L"WARNING: Failed to get component 'Ghost' state.");
    EXPECT_EQ(lines[2], L"SUCCESS: Component found. Name = Target, attributes = 0");
    const auto rows = package.RegistryRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][2], kDataKey);
    EXPECT_EQ(rows[0][5], L"Target");
}

TEST_F(RegisterHotfixesInfoTest, MissingRegistryTableFailsTheAction)
{
    m_database.reset(new TestDatabase(CurrentTestName()));
    const std::wstring path = m_database->StandardTables()
                                  .Sql(L"DROP TABLE `Registry`")
                                  .PatchInfoTable()
                                  .Component(L"Target", 0, true)
                                  .PatchInfo(kPatchId, L"hf41")
                                  .Commit();
    TestPackage package(path);

    EXPECT_EQ(Run(package), 1603u);

    const auto lines = ActionLines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[3], L"Error 0x8007064f: failed to open view on database");
    EXPECT_EQ(lines[4], L"Error 0x8007064f: failed to openexecute temp view with query SELECT * FROM `Registry`");
    EXPECT_EQ(lines[6], L"Error 0x8007064f: Failed to write info about hotfixes.");
}

TEST_F(RegisterHotfixesInfoTest, InvalidInstallHandleFailsWithoutALine)
{
    m_log.Clear();
    EXPECT_EQ(m_action(0), 1603u);
    EXPECT_TRUE(m_log.LinesStartingWith(L"RegisterHotfixesInfo").empty());
}

TEST_F(RegisterHotfixesInfoTest, CancelSeenWhileLoggingReturnsUserExit)
{
    const std::wstring path = NewDatabase().Component(L"Target", 0, true).PatchInfo(kPatchId, L"hf41").Commit();
    TestPackage package(path);
    m_log.CancelAt(L"RegisterHotfixesInfo initialized.");

    EXPECT_EQ(Run(package), 1602u);

    // The action itself went through.
    EXPECT_EQ(package.RegistryRows().size(), 1u);
}

TEST_F(RegisterHotfixesInfoTest, LongValueIsCutInTheLogButNotInTheRow)
{
    const std::wstring letter(3000, L'x');
    const std::wstring path = NewDatabase().Component(L"Target", 0, true).PatchInfo(kPatchId, letter).Commit();
    TestPackage package(path);

    ASSERT_EQ(Run(package), 0u);

    const auto lines = m_log.LinesStartingWith(kPrefix + L"Add record to Registry table: ");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 2047u);
    const auto rows = package.RegistryRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][4], letter);
}

TEST_F(RegisterHotfixesInfoTest, CounterRunsOnAcrossCallsOfTheLoadedLibrary)
{
    const std::wstring path = NewDatabase().Component(L"Target", 0, true).PatchInfo(kPatchId, L"hf41").Commit();
    std::vector<unsigned long> counters;
    for (int call = 0; call < 2; ++call) {
        TestPackage package(path);
        ASSERT_EQ(Run(package), 0u);
        const auto rows = package.RegistryRows();
        ASSERT_EQ(rows.size(), 1u);
        counters.push_back(std::stoul(rows[0][0].substr(38)));
    }
    EXPECT_EQ(counters[1], counters[0] + 1);
}

}  // namespace
