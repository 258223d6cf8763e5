// The custom-action support layer against the engine: log lines, cancel,
// argument checks, growing reads and temporary rows.
#include "ActionTestSupport.h"
#include "InstallerLog.h"
#include "TestPackage.h"
#include "calog.h"
#include "cautil.h"
#include "cawrap.h"
#include "strbuf.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const std::wstring kPrefix = L"LayerTest:  ";

class SupportLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestDatabase database(CurrentTestName());
        database.StandardTables()
            .Component(L"Target", 0, true)
            .Sql(L"CREATE TABLE `Blobs` (`Key` CHAR(72) NOT NULL, `Data` OBJECT PRIMARY KEY `Key`)")
            .Sql(L"CREATE TABLE `Kinds` (`Key` CHAR(72) NOT NULL, `Short` SHORT, `Long` LONG NOT NULL, "
                 L"`Text` CHAR(255) LOCALIZABLE PRIMARY KEY `Key`)");
        m_package.reset(new TestPackage(database.Commit()));
        ASSERT_EQ(CaInitialize(m_package->Handle(), "LayerTest"), S_OK);
        m_log.Clear();
    }
    void TearDown() override { CaFinalize(ERROR_SUCCESS); }

    std::vector<std::wstring> LayerLines() const { return m_log.LinesStartingWith(kPrefix); }

    InstallerLog m_log;
    std::unique_ptr<TestPackage> m_package;
};

TEST_F(SupportLayerTest, LinesCarryTheActionNameAndOnlyKnownLevelsAreWritten)
{
    CaLog(CA_LOG_STANDARD, "value %d, wide %S, narrow %s", 7, L"w", "n");
    CaLog(0, "level zero");
    CaLog(3, "level three");
    CaLogError(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), "denied %s", "here");

    EXPECT_EQ(LayerLines(), (std::vector<std::wstring>{kPrefix + L"value 7, wide w, narrow n",
                                                       kPrefix + L"Error 0x80070005: denied here"}));
}

TEST_F(SupportLayerTest, LinesAreCutTo2047Characters)
{
    const std::string longText(5000, 'a');
    CaLog(CA_LOG_STANDARD, "%s", longText.c_str());
    CaLogError(E_FAIL, "%s", longText.c_str());

    const auto lines = LayerLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], kPrefix + std::wstring(2047 - kPrefix.size(), L'a'));
    const std::wstring error = kPrefix + L"Error 0x80004005: ";
    EXPECT_EQ(lines[1], error + std::wstring(2047 - error.size(), L'a'));
}

TEST_F(SupportLayerTest, LogCallFromInsideALineIsDropped)
{
    int nested = 0;
    m_log.OnLine([&](const std::wstring& line) {
        if (line == kPrefix + L"outer") {
            ++nested;
            CaLog(CA_LOG_STANDARD, "nested");
        }
    });
    CaLog(CA_LOG_STANDARD, "outer");
    m_log.OnLine(nullptr);
    CaLog(CA_LOG_STANDARD, "after");

    EXPECT_EQ(nested, 1);
    EXPECT_EQ(LayerLines(), (std::vector<std::wstring>{kPrefix + L"outer", kPrefix + L"after"}));
}

TEST_F(SupportLayerTest, CancelWhileLoggingMakesFinalizeReturnUserExit)
{
    m_log.CancelAt(L"please stop");
    CaLog(CA_LOG_STANDARD, "please stop");
    EXPECT_EQ(CaFinalize(ERROR_SUCCESS), static_cast<UINT>(ERROR_INSTALL_USEREXIT));

    // A new call starts without the forced value.
    ASSERT_EQ(CaInitialize(m_package->Handle(), "LayerTest"), S_OK);
    EXPECT_EQ(CaFinalize(ERROR_SUCCESS), 0u);
    ASSERT_EQ(CaInitialize(m_package->Handle(), "LayerTest"), S_OK);
    EXPECT_EQ(CaFinalize(ERROR_INSTALL_FAILURE), static_cast<UINT>(ERROR_INSTALL_FAILURE));
    ASSERT_EQ(CaInitialize(m_package->Handle(), "LayerTest"), S_OK);
}

TEST_F(SupportLayerTest, InitializeHoldsTheCallStateAndRefusesBadArguments)
{
    EXPECT_TRUE(CaIsInitialized());
    EXPECT_EQ(CaGetInstallHandle(), m_package->Handle());
    EXPECT_NE(CaGetDatabaseHandle(), 0u);
    CaFinalize(ERROR_SUCCESS);
    EXPECT_FALSE(CaIsInitialized());
    EXPECT_EQ(CaGetInstallHandle(), 0u);
    EXPECT_EQ(CaGetDatabaseHandle(), 0u);

    EXPECT_EQ(CaInitialize(0, "LayerTest"), E_INVALIDARG);
    EXPECT_EQ(CaInitialize(m_package->Handle(), nullptr), E_INVALIDARG);
    EXPECT_EQ(CaInitialize(m_package->Handle(), ""), E_INVALIDARG);
    EXPECT_FALSE(CaIsInitialized());

    // 31 characters fit; a longer name is cut, reported under the cut name, and refused.
    const std::string name31(31, 'n');
    EXPECT_EQ(CaInitialize(m_package->Handle(), name31.c_str()), S_OK);
    CaFinalize(ERROR_SUCCESS);
    const std::string name40 = name31 + "123456789";
    m_log.Clear();
    EXPECT_EQ(CaInitialize(m_package->Handle(), name40.c_str()), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_FALSE(CaIsInitialized());
    EXPECT_EQ(CaGetDatabaseHandle(), 0u);
    const std::wstring wide31(name31.begin(), name31.end());
    const std::wstring wide40(name40.begin(), name40.end());
    EXPECT_EQ(m_log.LinesStartingWith(wide31),
              (std::vector<std::wstring>{wide31 + L":  Error 0x8007007a: Failed to copy CustomAction log name: " + wide40}));

    ASSERT_EQ(CaInitialize(m_package->Handle(), "LayerTest"), S_OK);
}

TEST_F(SupportLayerTest, InvalidArgumentsAreRefusedWithoutAskingTheInstaller)
{
    UniqueMsiHandle view, record, columns;
    CStrBuf text;
    int value = 0;
    EXPECT_EQ(CaOpenExecuteView(nullptr, view), E_INVALIDARG);
    EXPECT_EQ(CaOpenExecuteView(L"", view), E_INVALIDARG);
    EXPECT_EQ(CaGetProperty(nullptr, text), E_INVALIDARG);
    EXPECT_EQ(CaGetProperty(L"", text), E_INVALIDARG);
    EXPECT_FALSE(CaIsPropertySet(nullptr));
    EXPECT_EQ(CaFetchRecord(0, record), E_INVALIDARG);
    EXPECT_EQ(CaGetRecordString(0, 1, text), E_INVALIDARG);
    EXPECT_EQ(CaGetRecordInteger(0, 1, &value), E_INVALIDARG);
    EXPECT_EQ(CaAddTempRecord(view, columns, nullptr, 0, {L"x"}), E_INVALIDARG);
    EXPECT_EQ(CaAddTempRecord(view, columns, L"", 0, {L"x"}), E_INVALIDARG);
    CaFinalize(ERROR_SUCCESS);
    // Outside a call there is no database to query.
    EXPECT_EQ(CaOpenExecuteView(L"SELECT * FROM `Property`", view), E_INVALIDARG);
    EXPECT_EQ(CaGetProperty(L"ProductCode", text), E_INVALIDARG);
    ASSERT_EQ(CaInitialize(m_package->Handle(), "LayerTest"), S_OK);

    EXPECT_TRUE(LayerLines().empty());
}

TEST_F(SupportLayerTest, PropertyAndRecordReadsGrowTheirBuffers)
{
    const std::wstring longValue(5000, L'p');
    ASSERT_EQ(MsiSetPropertyW(m_package->Handle(), L"LONGPROP", longValue.c_str()), 0u);

    CStrBuf fresh;
    EXPECT_EQ(CaGetProperty(L"LONGPROP", fresh), S_OK);
    EXPECT_EQ(std::wstring(fresh.Text()), longValue);

    CStrBuf small;
    ASSERT_EQ(small.Allocate(4), S_OK);
    EXPECT_EQ(CaGetProperty(L"LONGPROP", small), S_OK);
    EXPECT_EQ(std::wstring(small.Text()), longValue);
    SIZE_T capacity = 0;
    EXPECT_EQ(small.Capacity(&capacity), S_OK);
    EXPECT_GE(capacity, longValue.size() + 1);

    EXPECT_EQ(CaGetProperty(L"NOT_SET_ANYWHERE", fresh), S_OK);
    EXPECT_STREQ(fresh.Text(), L"");
    EXPECT_TRUE(CaIsPropertySet("LONGPROP"));
    EXPECT_FALSE(CaIsPropertySet("NOT_SET_ANYWHERE"));

    UniqueMsiHandle record(MsiCreateRecord(2));
    MsiRecordSetStringW(record.get(), 1, longValue.c_str());
    MsiRecordSetInteger(record.get(), 2, 0x104);
    CStrBuf cell;
    ASSERT_EQ(cell.Allocate(2), S_OK);
    EXPECT_EQ(CaGetRecordString(record.get(), 1, cell), S_OK);
    EXPECT_EQ(std::wstring(cell.Text()), longValue);

    int value = 0;
    EXPECT_EQ(CaGetRecordInteger(record.get(), 2, &value), S_OK);
    EXPECT_EQ(value, 0x104);
    MsiRecordSetStringW(record.get(), 2, nullptr);
    EXPECT_EQ(CaGetRecordInteger(record.get(), 2, &value), S_FALSE);
    EXPECT_EQ(static_cast<unsigned>(value), 0x80000000u);
    EXPECT_TRUE(LayerLines().empty());
}

TEST_F(SupportLayerTest, ViewsReportNoMoreRowsQuietlyAndFailuresWithALine)
{
    UniqueMsiHandle view, record;
    ASSERT_EQ(CaOpenExecuteView(L"SELECT `Component`, `Attributes` FROM `Component`", view), S_OK);
    EXPECT_EQ(CaFetchRecord(view.get(), record), S_OK);
    EXPECT_EQ(CaFetchRecord(view.get(), record), HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(static_cast<unsigned>(HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS)), 0x80070103u);
    EXPECT_TRUE(LayerLines().empty());

    EXPECT_EQ(CaOpenExecuteView(L"SELECT * FROM `NoSuchTable`", view), HRESULT_FROM_WIN32(ERROR_BAD_QUERY_SYNTAX));
    EXPECT_EQ(LayerLines(), (std::vector<std::wstring>{kPrefix + L"Error 0x8007064f: failed to open view on database"}));

    // A handle that is no view: the engine's refusal is logged and returned.
    m_log.Clear();
    EXPECT_EQ(CaFetchRecord(CaGetDatabaseHandle(), record), HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
    EXPECT_EQ(LayerLines(),
              (std::vector<std::wstring>{kPrefix + L"Error 0x80070006: failed to fetch record from view"}));
}

TEST_F(SupportLayerTest, InstallStatesCountAsInstallingOrReinstalling)
{
    const INSTALLSTATE states[] = {INSTALLSTATE_UNKNOWN, INSTALLSTATE_ADVERTISED, INSTALLSTATE_ABSENT,
                                   INSTALLSTATE_LOCAL, INSTALLSTATE_SOURCE, INSTALLSTATE_DEFAULT};
    auto present = [](INSTALLSTATE s) { return s == INSTALLSTATE_LOCAL || s == INSTALLSTATE_SOURCE; };
    for (INSTALLSTATE installed : states) {
        for (INSTALLSTATE action : states) {
            SCOPED_TRACE(std::to_string(installed) + " -> " + std::to_string(action));
            EXPECT_EQ(CaIsInstalling(installed, action),
                      present(action) || (action == INSTALLSTATE_DEFAULT && present(installed)));
            EXPECT_EQ(CaIsReInstalling(installed, action),
                      present(installed) && (present(action) || action == INSTALLSTATE_DEFAULT));
        }
    }
    // What costing answers for the package's component: absent, to be installed locally.
    INSTALLSTATE installed = INSTALLSTATE_UNKNOWN, action = INSTALLSTATE_UNKNOWN;
    ASSERT_EQ(MsiGetComponentStateW(m_package->Handle(), L"Target", &installed, &action), 0u);
    EXPECT_EQ(installed, INSTALLSTATE_ABSENT);
    EXPECT_EQ(action, INSTALLSTATE_LOCAL);
    EXPECT_TRUE(CaIsInstalling(installed, action));
    EXPECT_FALSE(CaIsReInstalling(installed, action));
}

TEST_F(SupportLayerTest, TempRowsOfOneViewGetConsecutiveCounterValues)
{
    UniqueMsiHandle view, columns;
    ASSERT_EQ(CaAddTempRecord(view, columns, L"Kinds", 1, {L"Row", 1, 70000, L"first"}), S_OK);
    ASSERT_TRUE(view);
    ASSERT_TRUE(columns);
    ASSERT_EQ(CaAddTempRecord(view, columns, L"Kinds", 1, {L"Row", 2, -5, L"second"}), S_OK);

    const auto rows = m_package->Query(L"SELECT `Key`, `Short`, `Long`, `Text` FROM `Kinds`");
    ASSERT_EQ(rows.size(), 2u);
    const std::wstring& first = rows[0][3] == L"first" ? rows[0][0] : rows[1][0];
    const std::wstring& second = rows[0][3] == L"first" ? rows[1][0] : rows[0][0];
    ASSERT_EQ(first.compare(0, 3, L"Row"), 0);
    ASSERT_EQ(second.compare(0, 3, L"Row"), 0);
    EXPECT_EQ(std::stoul(second.substr(3)), std::stoul(first.substr(3)) + 1);
    EXPECT_EQ(rows[0][3] == L"first" ? rows[0][2] : rows[1][2], L"70000");
    EXPECT_TRUE(LayerLines().empty());

    // Without a uniquify column the same key is refused by the engine.
    UniqueMsiHandle view2, columns2;
    ASSERT_EQ(CaAddTempRecord(view2, columns2, L"Kinds", 0, {L"Same", 1, 1, L"a"}), S_OK);
    EXPECT_EQ(CaAddTempRecord(view2, columns2, L"Kinds", 0, {L"Same", 1, 1, L"b"}),
              HRESULT_FROM_WIN32(ERROR_FUNCTION_FAILED));
    EXPECT_EQ(LayerLines(),
              (std::vector<std::wstring>{kPrefix + L"Error 0x8007065b: failed to add temporary row, dberr: 0, err: "}));
}

TEST_F(SupportLayerTest, TempRowsRefuseStreamColumnsAndMismatchedValues)
{
    UniqueMsiHandle view, columns;
    EXPECT_EQ(CaAddTempRecord(view, columns, L"Blobs", 1, {L"Key", L"data"}), HRESULT_FROM_WIN32(ERROR_DATATYPE_MISMATCH));
    EXPECT_EQ(static_cast<unsigned>(HRESULT_FROM_WIN32(ERROR_DATATYPE_MISMATCH)), 0x8007065Du);

    UniqueMsiHandle view2, columns2;
    EXPECT_EQ(CaAddTempRecord(view2, columns2, L"Kinds", 1, {7, 1, 1, L"x"}), E_INVALIDARG);
    UniqueMsiHandle view3, columns3;
    EXPECT_EQ(CaAddTempRecord(view3, columns3, L"Kinds", 1, {L"k", L"one", 1, L"x"}), E_INVALIDARG);
    UniqueMsiHandle view4, columns4;
    EXPECT_EQ(CaAddTempRecord(view4, columns4, L"Nowhere", 1, {L"k"}), HRESULT_FROM_WIN32(ERROR_BAD_QUERY_SYNTAX));

    EXPECT_EQ(LayerLines(),
              (std::vector<std::wstring>{
                  kPrefix + L"Error 0x8007065d: unsupported data type 'V0' in column: 2",
                  kPrefix + L"Error 0x80070057: failed to set string value at position 1",
                  kPrefix + L"Error 0x80070057: failed to set integer value at position 2",
                  kPrefix + L"Error 0x8007064f: failed to open view on database",
                  kPrefix + L"Error 0x8007064f: failed to openexecute temp view with query SELECT * FROM `Nowhere`",
              }));
    EXPECT_TRUE(m_package->Query(L"SELECT `Key` FROM `Blobs`").empty());
    EXPECT_TRUE(m_package->Query(L"SELECT `Key` FROM `Kinds`").empty());
}

TEST(StringBuffer, AllocatesZeroFilledGrowsKeepingTextAndRefusesHugeRequests)
{
    CStrBuf buffer;
    SIZE_T capacity = 0;
    EXPECT_EQ(buffer.Capacity(&capacity), E_INVALIDARG);
    ASSERT_EQ(buffer.Allocate(10), S_OK);
    EXPECT_EQ(buffer.Capacity(&capacity), S_OK);
    EXPECT_EQ(capacity, 10u);
    for (SIZE_T i = 0; i < 10; ++i) EXPECT_EQ(buffer.Get()[i], L'\0');

    ASSERT_EQ(buffer.Format(L"%s-%u", L"abc", 42u), S_OK);
    EXPECT_STREQ(buffer.Text(), L"abc-42");
    ASSERT_EQ(buffer.Allocate(4000), S_OK);
    EXPECT_STREQ(buffer.Text(), L"abc-42");
    EXPECT_EQ(buffer.Get()[3999], L'\0');
    EXPECT_EQ(buffer.Capacity(&capacity), S_OK);
    EXPECT_EQ(capacity, 4000u);

    EXPECT_EQ(buffer.Allocate(0x7FFFFFFF), E_OUTOFMEMORY);
    EXPECT_STREQ(buffer.Text(), L"abc-42");
    CStrBuf other;
    EXPECT_EQ(other.Allocate(0x7FFFFFFF), E_OUTOFMEMORY);
    EXPECT_FALSE(other.IsAllocated());
}

}  // namespace
