#pragma once
// Small installer databases made with the Windows Installer API, opened as
// packages with costing done, so component states are the engine's own.
#include "ScratchFolder.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

using Row = std::vector<std::wstring>;

class TestDatabase {
public:
    // Creates an empty database file named after the test.
    explicit TestDatabase(const std::wstring& name);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // Runs one SQL statement; throws std::runtime_error when the engine refuses it.
    TestDatabase& Sql(const std::wstring& statement);
    // Property, Directory (TARGETDIR), Component, Feature, FeatureComponents,
    // Registry and RemoveRegistry with their standard columns.
    TestDatabase& StandardTables();
    TestDatabase& PatchInfoTable();
    TestDatabase& Property(const std::wstring& name, const std::wstring& value);
    // A component in a feature of its own; the feature's level decides whether
    // costing puts the component up for installation.
    TestDatabase& Component(const std::wstring& name, int attributes, bool installing);
    TestDatabase& PatchInfo(const std::wstring& patchId, const std::wstring& letter);
    // A Binary row whose data is the file's content.
    TestDatabase& Binary(const std::wstring& name, const std::wstring& file);
    TestDatabase& CustomAction(const std::wstring& action, int type, const std::wstring& source,
                               const std::wstring& target);
    // InstallExecuteSequence with the given actions in order, numbered 100, 200, ...
    TestDatabase& ExecuteSequence(const std::vector<std::wstring>& actions);
    // Writes the summary information and commits; the file stays.
    std::wstring Commit();

    MSIHANDLE Handle() const { return m_hDatabase; }

private:
    bool HasTable(const std::wstring& table) const;

    std::wstring m_path;
    MSIHANDLE m_hDatabase = 0;
    int m_features = 0;
};

class TestPackage {
public:
    // Opens the committed database as a package and runs CostInitialize,
    // FileCost and CostFinalize.
    explicit TestPackage(const std::wstring& path, bool cost = true);
    ~TestPackage();
    TestPackage(const TestPackage&) = delete;
    TestPackage& operator=(const TestPackage&) = delete;

    MSIHANDLE Handle() const { return m_hPackage; }
    // The rows of a query on the package's active database (temporary rows included).
    std::vector<Row> Query(const std::wstring& sql) const;
    std::vector<Row> RegistryRows() const;
    std::vector<Row> RemoveRegistryRows() const;

private:
    MSIHANDLE m_hPackage = 0;
};

// The folder of the running test program, with a trailing backslash.
std::wstring ProgramFolder();
