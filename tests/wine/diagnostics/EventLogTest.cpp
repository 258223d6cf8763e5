// CEventLog's event source registration against Wine's registry. What
// ReportEventW receives is seen through Wine's event log channel in the
// end-to-end tests.
#include "EnvironmentKey.h"
#include "TraceFile.h"
#include "diagnostics/EventLog.h"
#include "diagnostics/TraceLog.h"
#include "util/ErrorText.h"

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

const wchar_t kSourceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Torvellan Event Log\\zep";

struct RegValue {
    DWORD type = 0;
    DWORD size = 0;
    std::wstring text;
};

RegValue ReadMessageFile() {
    RegValue value;
    std::vector<wchar_t> data(1024);
    value.size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSourceKey, L"EventMessageFile", RRF_RT_ANY | RRF_NOEXPAND, &value.type,
                     data.data(), &value.size) == ERROR_SUCCESS)
        value.text = data.data();
    return value;
}

class EventLog : public ::testing::Test {
protected:
    void SetUp() override {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kSourceKey);
        traceStart_ = ProcessTrace().size();
    }
    std::vector<std::string> Traced() const { return TraceRecordsSince(traceStart_); }
    size_t traceStart_ = 0;
};

TEST_F(EventLog, SourcePointsAtTheMessageModuleInTheProductFolderAsStored) {
    SetEnvironment({{L"ProductRoot", L"C:\\Program Files\\Product"}});
    EXPECT_TRUE(CEventLog().IsRegistered());
    RegValue value = ReadMessageFile();
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(value.text, L"C:\\Program Files\\Product\\bl.tsm");
    EXPECT_EQ(value.size, (value.text.size() + 1) * sizeof(wchar_t));

    // Nothing is normalised: a trailing backslash stays, environment
    // references are left for the event viewer to expand.
    SetEnvironment({{L"ProductRoot", L"%ProgramFiles%\\Torvellan\\ZEP 8\\"}});
    EXPECT_TRUE(CEventLog().IsRegistered());
    value = ReadMessageFile();
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(value.text, L"%ProgramFiles%\\Torvellan\\ZEP 8\\\\bl.tsm");
    EXPECT_TRUE(Traced().empty()) << Joined(Traced());
}

TEST_F(EventLog, WithoutProductRootNothingIsRegisteredAndEveryReportSaysSo) {
    const std::string unregistered = "ERR\tCEventLog::Report: Message provider not registered";
    for (bool keyPresent : {false, true}) {
        if (keyPresent)
            SetEnvironment({{L"Skin", L"x"}});
        else
            RemoveEnvironment();
        SetUp();
        const CEventLog log;
        EXPECT_FALSE(log.IsRegistered());
        log.Report(L"first", 4);
        log.Report(L"second", 1);
        const auto traced = Traced();
        EXPECT_EQ(traced, (std::vector<std::string>{
                              "ERR\t" + FormatErrorTextA(ERROR_FILE_NOT_FOUND, "CEventLog::CEventLogRegQueryStrValue"),
                              unregistered, unregistered}));
        EXPECT_EQ(ReadMessageFile().type, 0u);
    }
}

TEST_F(EventLog, SourceKeyThatCannotBeCreatedLeavesTheSourceUnregistered) {
    SetEnvironment({{L"ProductRoot", L"C:\\Program Files\\Product"}});
    // A volatile log key: the registry refuses the persistent source key below it.
    const wchar_t logKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Torvellan Event Log";
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, logKey);
    HKEY volatileKey = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, logKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &volatileKey, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(volatileKey);

    const CEventLog log;
    const bool registered = log.IsRegistered();
    log.Report(L"lost", EVENTLOG_INFORMATION_TYPE);
    const auto traced = Traced();
    const DWORD sourceType = ReadMessageFile().type;
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, logKey);

    EXPECT_FALSE(registered);
    EXPECT_EQ(traced, (std::vector<std::string>{
                          "ERR\t" + FormatErrorTextA(ERROR_CHILD_MUST_BE_VOLATILE, "CEventLog::CEventLogRegSetValueEx"),
                          "ERR\tCEventLog::Report: Message provider not registered"}));
    EXPECT_EQ(sourceType, 0u);
}

TEST_F(EventLog, EventIdsFollowTheType) {
    EXPECT_EQ(EventIdForType(EVENTLOG_ERROR_TYPE), 0xC0021234u);
    EXPECT_EQ(EventIdForType(EVENTLOG_AUDIT_FAILURE), 0xC0021234u);
    EXPECT_EQ(EventIdForType(EVENTLOG_WARNING_TYPE), 0x80021236u);
    EXPECT_EQ(EventIdForType(EVENTLOG_INFORMATION_TYPE), 0x40021237u);
    EXPECT_EQ(EventIdForType(EVENTLOG_AUDIT_SUCCESS), 0x40021237u);
    EXPECT_EQ(EventIdForType(0), 0x40021237u);
}

}  // namespace

int main(int argc, char** argv) {
    // The trace log takes its folder on first use, before tests change the key.
    CreateDirectoryW(L"C:\\ZepTrace", nullptr);
    SetEnvironment({{L"TraceRoot", L"C:\\ZepTrace\\"}});
    Trace(TL_NOTIFY, L"%s", L"messages tests");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
