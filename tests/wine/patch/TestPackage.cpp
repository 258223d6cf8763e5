#include "TestPackage.h"

#include "ScratchFolder.h"
#include "TestText.h"

#include <wtypes.h>
#include <msidefs.h>

#include <stdexcept>

namespace {

void Check(UINT er, const std::wstring& what)
{
    if (er != ERROR_SUCCESS) throw std::runtime_error(Narrow(what) + " failed: " + std::to_string(er));
}

std::wstring Quote(const std::wstring& text)
{
    std::wstring quoted = L"'";
    for (wchar_t c : text) {
        if (c == L'\'') quoted += L'\'';
        quoted += c;
    }
    return quoted + L"'";
}

}  // namespace

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

TestDatabase::TestDatabase(const std::wstring& name) : m_path(TempPath(name + L".msi"))
{
    DeleteFileW(m_path.c_str());
    Check(MsiOpenDatabaseW(m_path.c_str(), MSIDBOPEN_CREATE, &m_hDatabase), L"MsiOpenDatabaseW " + m_path);
}

TestDatabase::~TestDatabase()
{
    if (m_hDatabase) MsiCloseHandle(m_hDatabase);
}

bool TestDatabase::HasTable(const std::wstring& table) const
{
    return MsiDatabaseIsTablePersistentW(m_hDatabase, table.c_str()) == MSICONDITION_TRUE;
}

TestDatabase& TestDatabase::Sql(const std::wstring& statement)
{
    MSIHANDLE hView = 0;
    Check(MsiDatabaseOpenViewW(m_hDatabase, statement.c_str(), &hView), statement);
    const UINT er = MsiViewExecute(hView, 0);
    MsiCloseHandle(hView);
    Check(er, statement);
    return *this;
}

TestDatabase& TestDatabase::StandardTables()
{
    Sql(L"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) NOT NULL LOCALIZABLE "
        L"PRIMARY KEY `Property`)");
    Sql(L"CREATE TABLE `Directory` (`Directory` CHAR(72) NOT NULL, `Directory_Parent` CHAR(72), "
        L"`DefaultDir` CHAR(255) NOT NULL LOCALIZABLE PRIMARY KEY `Directory`)");
    Sql(L"CREATE TABLE `Component` (`Component` CHAR(72) NOT NULL, `ComponentId` CHAR(38), "
        L"`Directory_` CHAR(72) NOT NULL, `Attributes` SHORT NOT NULL, `Condition` CHAR(255), `KeyPath` CHAR(72) "
        L"PRIMARY KEY `Component`)");
    Sql(L"CREATE TABLE `Feature` (`Feature` CHAR(38) NOT NULL, `Feature_Parent` CHAR(38), `Title` CHAR(64) "
        L"LOCALIZABLE, `Description` CHAR(255) LOCALIZABLE, `Display` SHORT, `Level` SHORT NOT NULL, "
        L"`Directory_` CHAR(72), `Attributes` SHORT NOT NULL PRIMARY KEY `Feature`)");
    Sql(L"CREATE TABLE `FeatureComponents` (`Feature_` CHAR(38) NOT NULL, `Component_` CHAR(72) NOT NULL "
        L"PRIMARY KEY `Feature_`, `Component_`)");
    Sql(L"CREATE TABLE `Registry` (`Registry` CHAR(72) NOT NULL, `Root` SHORT NOT NULL, `Key` CHAR(255) NOT NULL "
        L"LOCALIZABLE, `Name` CHAR(255) LOCALIZABLE, `Value` CHAR(0) LOCALIZABLE, `Component_` CHAR(72) NOT NULL "
        L"PRIMARY KEY `Registry`)");
    Sql(L"CREATE TABLE `RemoveRegistry` (`RemoveRegistry` CHAR(72) NOT NULL, `Root` SHORT NOT NULL, `Key` CHAR(255) "
        L"NOT NULL LOCALIZABLE, `Name` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL "
        L"PRIMARY KEY `RemoveRegistry`)");
    Sql(L"INSERT INTO `Directory` (`Directory`, `Directory_Parent`, `DefaultDir`) VALUES ('TARGETDIR', '', "
        L"'SourceDir')");
    Property(L"ProductCode", L"{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}");
    Property(L"ProductName", L"ZEP 8 test package");
    Property(L"ProductVersion", L"8.1.0.831");
    Property(L"ProductLanguage", L"1033");
    Property(L"Manufacturer", L"TorvellanLab");
    return *this;
}

TestDatabase& TestDatabase::PatchInfoTable()
{
    return Sql(L"CREATE TABLE `PatchInfo` (`PatchId` CHAR(72) NOT NULL, `Letter` CHAR(72) PRIMARY KEY `PatchId`)");
}

TestDatabase& TestDatabase::Property(const std::wstring& name, const std::wstring& value)
{
    return Sql(L"INSERT INTO `Property` (`Property`, `Value`) VALUES (" + Quote(name) + L", " + Quote(value) + L")");
}

TestDatabase& TestDatabase::Component(const std::wstring& name, int attributes, bool installing)
{
    const std::wstring feature = L"F" + std::to_wstring(++m_features);
    wchar_t id[40];
    swprintf(id, 40, L"{%08X-0000-4000-8000-000000000000}", static_cast<unsigned>(m_features));
    Sql(L"INSERT INTO `Component` (`Component`, `ComponentId`, `Directory_`, `Attributes`) VALUES (" + Quote(name) +
        L", " + Quote(id) + L", 'TARGETDIR', " + std::to_wstring(attributes) + L")");
    Sql(L"INSERT INTO `Feature` (`Feature`, `Level`, `Attributes`) VALUES (" + Quote(feature) + L", " +
        (installing ? L"1" : L"0") + L", 0)");
    return Sql(L"INSERT INTO `FeatureComponents` (`Feature_`, `Component_`) VALUES (" + Quote(feature) + L", " +
               Quote(name) + L")");
}

TestDatabase& TestDatabase::PatchInfo(const std::wstring& patchId, const std::wstring& letter)
{
    return Sql(L"INSERT INTO `PatchInfo` (`PatchId`, `Letter`) VALUES (" + Quote(patchId) + L", " + Quote(letter) +
               L")");
}

TestDatabase& TestDatabase::Binary(const std::wstring& name, const std::wstring& file)
{
    if (!HasTable(L"Binary"))
        Sql(L"CREATE TABLE `Binary` (`Name` CHAR(72) NOT NULL, `Data` OBJECT NOT NULL PRIMARY KEY `Name`)");
    MSIHANDLE hView = 0;
    const std::wstring insert = L"INSERT INTO `Binary` (`Name`, `Data`) VALUES (?, ?)";
    Check(MsiDatabaseOpenViewW(m_hDatabase, insert.c_str(), &hView), insert);
    const MSIHANDLE hRecord = MsiCreateRecord(2);
    MsiRecordSetStringW(hRecord, 1, name.c_str());
    UINT er = MsiRecordSetStreamW(hRecord, 2, file.c_str());
    if (er == ERROR_SUCCESS) er = MsiViewExecute(hView, hRecord);
    MsiCloseHandle(hRecord);
    MsiCloseHandle(hView);
    Check(er, L"Binary row from " + file);
    return *this;
}

TestDatabase& TestDatabase::CustomAction(const std::wstring& action, int type, const std::wstring& source,
                                         const std::wstring& target)
{
    if (!HasTable(L"CustomAction"))
        Sql(L"CREATE TABLE `CustomAction` (`Action` CHAR(72) NOT NULL, `Type` SHORT NOT NULL, `Source` CHAR(72), "
            L"`Target` CHAR(255) PRIMARY KEY `Action`)");
    return Sql(L"INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES (" + Quote(action) + L", " +
               std::to_wstring(type) + L", " + Quote(source) + L", " + Quote(target) + L")");
}

TestDatabase& TestDatabase::ExecuteSequence(const std::vector<std::wstring>& actions)
{
    Sql(L"CREATE TABLE `InstallExecuteSequence` (`Action` CHAR(72) NOT NULL, `Condition` CHAR(255), "
        L"`Sequence` SHORT PRIMARY KEY `Action`)");
    int sequence = 0;
    for (const std::wstring& action : actions)
        Sql(L"INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES (" + Quote(action) + L", " +
            std::to_wstring(sequence += 100) + L")");
    return *this;
}

std::wstring TestDatabase::Commit()
{
    MSIHANDLE hSummary = 0;
    Check(MsiGetSummaryInformationW(m_hDatabase, nullptr, 8, &hSummary), L"MsiGetSummaryInformationW");
    MsiSummaryInfoSetPropertyW(hSummary, PID_TEMPLATE, VT_LPSTR, 0, nullptr, L"x64;1033");
    MsiSummaryInfoSetPropertyW(hSummary, PID_REVNUMBER, VT_LPSTR, 0, nullptr,
                               L"{5B1AF3C2-2B0D-4B8E-9E0A-6C1F0D2A7E41}");
    MsiSummaryInfoSetPropertyW(hSummary, PID_PAGECOUNT, VT_I4, 200, nullptr, nullptr);
    MsiSummaryInfoSetPropertyW(hSummary, PID_WORDCOUNT, VT_I4, 2, nullptr, nullptr);
    const UINT er = MsiSummaryInfoPersist(hSummary);
    MsiCloseHandle(hSummary);
    Check(er, L"MsiSummaryInfoPersist");
    Check(MsiDatabaseCommit(m_hDatabase), L"MsiDatabaseCommit");
    MsiCloseHandle(m_hDatabase);
    m_hDatabase = 0;
    return m_path;
}

TestPackage::TestPackage(const std::wstring& path, bool cost)
{
    Check(MsiOpenPackageW(path.c_str(), &m_hPackage), L"MsiOpenPackageW " + path);
    if (!cost) return;
    for (const wchar_t* action : {L"CostInitialize", L"FileCost", L"CostFinalize"})
        Check(MsiDoActionW(m_hPackage, action), action);
}

TestPackage::~TestPackage()
{
    if (m_hPackage) MsiCloseHandle(m_hPackage);
}

std::vector<Row> TestPackage::Query(const std::wstring& sql) const
{
    std::vector<Row> rows;
    const MSIHANDLE hDatabase = MsiGetActiveDatabase(m_hPackage);
    MSIHANDLE hView = 0;
    UINT er = MsiDatabaseOpenViewW(hDatabase, sql.c_str(), &hView);
    if (er == ERROR_SUCCESS) er = MsiViewExecute(hView, 0);
    MSIHANDLE hRecord = 0;
    while (er == ERROR_SUCCESS && MsiViewFetch(hView, &hRecord) == ERROR_SUCCESS) {
        Row row;
        for (UINT field = 1; field <= MsiRecordGetFieldCount(hRecord); ++field) {
            DWORD cch = 0;
            wchar_t empty[1] = L"";
            MsiRecordGetStringW(hRecord, field, empty, &cch);
            std::wstring cell(cch + 1, L'\0');
            ++cch;
            MsiRecordGetStringW(hRecord, field, &cell[0], &cch);
            cell.resize(cch);
            row.push_back(cell);
        }
        rows.push_back(row);
        MsiCloseHandle(hRecord);
    }
    if (hView) MsiCloseHandle(hView);
    MsiCloseHandle(hDatabase);
    Check(er, L"query " + sql);
    return rows;
}

std::vector<Row> TestPackage::RegistryRows() const
{
    return Query(L"SELECT `Registry`, `Root`, `Key`, `Name`, `Value`, `Component_` FROM `Registry`");
}

std::vector<Row> TestPackage::RemoveRegistryRows() const
{
    return Query(L"SELECT `RemoveRegistry`, `Root`, `Key`, `Name`, `Component_` FROM `RemoveRegistry`");
}
