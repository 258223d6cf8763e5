// CUsingORX against the framework stand-ins in a product folder under Wine.
// Waits go through a recorder, so the tries and the service waits cost no
// time and can be counted.
#include "ServiceSandbox.h"
#include "TraceFile.h"
#include "service/TaskManagerLink.h"
#include "service/UsingORX.h"
#include "util/ErrorText.h"
#include "util/ProductEnvironment.h"
#include "util/UniqueHandle.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <stdexcept>

// Reaches into CUsingORX where no public operation leads.
class CUsingORXTestAccess {
public:
    static void DropTaskManager(CUsingORX& orx) { orx.link_.reset(); }
};

namespace {

std::vector<DWORD> g_waits;
void WINAPI RecordWait(DWORD milliseconds) { g_waits.push_back(milliseconds); }

const std::string kOk = " -> 0x00000000";


// Journal lines without the process id of their writer.
std::vector<std::string> Entries() {
    std::vector<std::string> entries;
    static const std::regex pid("^(\\w+)\\[\\d+\\] ");
    for (const std::string& line : Journal()) entries.push_back(std::regex_replace(line, pid, "$1 "));
    return entries;
}

size_t CountPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    size_t count = 0;
    for (const std::string& line : lines) count += line.compare(0, prefix.size(), prefix) == 0;
    return count;
}

std::vector<DWORD> Repeated(DWORD value, size_t times) { return std::vector<DWORD>(times, value); }

std::vector<DWORD> operator+(std::vector<DWORD> a, const std::vector<DWORD>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void WaitUntilNoService() {
    for (int step = 0; step < 500 && ProcessRunning(L"orx.exe"); ++step) Sleep(20);
}

class UsingOrx : public ::testing::Test {
protected:
    void SetUp() override {
        StopServices();
        ResetStandIns();
        g_waits.clear();
        traceStart_ = ProcessTrace().size();
    }
    void TearDown() override { StopServices(); }

    std::vector<std::string> Traced() const { return TraceRecordsSince(traceStart_); }

    static std::unique_ptr<CUsingORX> Connect() {
        return std::unique_ptr<CUsingORX>(new CUsingORX(GetModuleHandleW(nullptr), RecordWait));
    }

    static std::string ConnectFailure() {
        try {
            Connect();
        } catch (const std::logic_error& failure) {
            return failure.what();
        }
        return "(connected)";
    }

    size_t traceStart_ = 0;
};

const std::string kProductDll = Narrow(kProductFolder) + "tsremote.dll";

TEST_F(UsingOrx, RunningServiceOneTryAnnouncesProcessAndIsLeftRunning) {
    StartService(std::wstring(kProductFolder) + L"orx.exe");
    ResetStandIns();
    {
        auto orx = Connect();
        wchar_t current[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, current);
        EXPECT_EQ(std::wstring(current) + L"\\", kProductFolder);
        orx->RegisterSelfInvisible();
    }
    const auto traced = Traced();
    EXPECT_EQ(MissingInOrder(traced, {"NTF\tCUsingORX::CUsingORX: ProductFolder: " + Narrow(kProductFolder),
                                      "NTF\tCUsingORX::CUsingORX: the 1 try.", "NTF\tCUsingORX::CUsingORX: ORX running.",
                                      "NTF\tCUsingORX::CUsingORX: SUCCESS.",
                                      "NTF\tCUsingORX::RegisterSelfInvisible: START",
                                      "NTF\tCUsingORX::RegisterSelfInvisible: SUCCESS",
                                      "NTF\tCUsingORX::~CUsingORX: Free Tessel."}),
              "");
    EXPECT_EQ(CountOf(traced, "NTF\tCUsingORX::CUsingORX: the 2 try."), 0u);
    EXPECT_EQ(CountOf(traced, "NTF\tCUsingORX::StopORXIfNeed: Stop ORX service."), 0u);
    EXPECT_TRUE(g_waits.empty());

    const auto entries = Entries();
    EXPECT_EQ(MissingInOrder(entries,
                             {"tsremote TSGetAPI module=" + kProductDll + kOk, "tsremote api9 mode=1 flags=0" + kOk,
                              "tsremote api29" + kOk, "tsremote rootsys52 system=root size=12" + kOk,
                              "tsremote root39 root=root parent=null module=tsstub.tsm flags=10 mode=-12" + kOk,
                              "tsremote api18 session=-1 name=TaskManager" + kOk,
                              "tsremote tsSendMsg proxy=live class=0xAE5E2EA3 id=0x1002 object=null buffer=set size=record" + kOk,
                              "tsremote rootsys54 system=root memory=allocated" + kOk,
                              "tsremote api19 handle=proxy" + kOk, "tsremote api15" + kOk}),
              "");
    EXPECT_EQ(CountPrefix(entries, "tsremote api8 "), 0u);
    EXPECT_EQ(CountPrefix(entries, "tsremote proxy3 "), 0u);
    EXPECT_TRUE(ProcessRunning(L"orx.exe"));

    // The record as the framework sees it: its virtual operations, its base
    // field and this process's id, also through the record's own copy and
    // reset operations.
    char record[160], copy[80];
    const unsigned long pid = GetCurrentProcessId();
    snprintf(record, sizeof record, "tsremote[%lu] record type=0x229000 based=1 any=1 size=12 base=1 pid=%lu", pid, pid);
    snprintf(copy, sizeof copy, "tsremote[%lu] record copy -> 0x00000000 assigned=1 pid=%lu", pid, pid);
    const auto raw = Journal();
    EXPECT_EQ(MissingInOrder(raw, {record, copy}), "");
    EXPECT_EQ(MissingInOrder(entries, {"tsremote root29 root=root type=0x229000" + kOk, "tsremote descriptor4 record=set",
                                       "tsremote descriptor3 record=set flags=0", "tsremote record reset base=1 pid=0"}),
              "");
}

TEST_F(UsingOrx, ServiceNotRunningIsStartedWithSwitchAndStoppedAtTheEnd) {
    {
        auto orx = Connect();
        EXPECT_TRUE(ProcessRunning(L"orx.exe"));
        orx->RegisterSelfInvisible();
    }
    WaitUntilNoService();
    const auto traced = Traced();
    std::vector<std::string> waiting(30, "NTF\tCUsingORX::WaitORX: Wait ORX service...");
    std::vector<std::string> expected = {"NTF\tCUsingORX::CUsingORX: the 1 try."};
    expected.insert(expected.end(), waiting.begin(), waiting.end());
    expected.insert(expected.end(), {"NTF\tCUsingORX::CUsingORX: ORX not running.",
                                     "NTF\tCUsingORX::CUsingORX: Start ORX service.",
                                     "NTF\tcORX::Start: CreateProcess -s returned: 0x0",
                                     "NTF\tCUsingORX::CUsingORX: SUCCESS.",
                                     "NTF\tCUsingORX::StopORXIfNeed: Stop ORX service.",
                                     "NTF\tCUsingORX::~CUsingORX: Free Tessel."});
    EXPECT_EQ(MissingInOrder(traced, expected), "");
    EXPECT_EQ(CountOf(traced, "NTF\tCUsingORX::WaitORX: Wait ORX service..."), 30u);
    EXPECT_EQ(g_waits, Repeated(1000, 30));

    EXPECT_EQ(MissingInOrder(Entries(),
                             {"orx start image=orx.exe args=-s",
                              "tsremote api8 session=-1 image=orx.exe args=-s timeout=20000 flags=0 r1=null r2=null" + kOk,
                              "tsremote api18 session=-1 name=TaskManager" + kOk,
                              "tsremote tsSendMsg proxy=live class=0xAE5E2EA3 id=0x1002 object=null buffer=set size=record" + kOk,
                              "tsremote api1 handle=proxy" + kOk, "tsremote proxy3 proxy=live flags=0" + kOk,
                              "tsremote api15" + kOk}),
              "");
    EXPECT_EQ(CountOf(Entries(), "orx end reason=stop"), 1u);
    EXPECT_FALSE(ProcessRunning(L"orx.exe"));
}

TEST_F(UsingOrx, ServiceNamedInCapitalsDoesNotCount) {
    CreateDirectoryW(L"C:\\Decoy", nullptr);
    CopyFileW((std::wstring(kProductFolder) + L"orx.exe").c_str(), L"C:\\Decoy\\ORX.EXE", FALSE);
    StartService(L"C:\\Decoy\\ORX.EXE");
    ASSERT_TRUE(ProcessRunning(L"ORX.EXE"));
    {
        auto orx = Connect();
        EXPECT_EQ(MissingInOrder(Traced(), {"NTF\tCUsingORX::CUsingORX: ORX not running.",
                                            "NTF\tCUsingORX::CUsingORX: Start ORX service."}),
                  "");
    }
    EXPECT_EQ(MissingInOrder(Entries(), {"orx start image=ORX.EXE args=", "orx start image=orx.exe args=-s",
                                         "tsremote api8 session=-1 image=orx.exe args=-s timeout=20000 flags=0 r1=null r2=null" + kOk,
                                         "tsremote proxy3 proxy=live flags=0" + kOk}),
              "");
}

TEST_F(UsingOrx, StartCallsStopAtTheFirstSuccess) {
    ResetStandIns("[fail]\napi8=2\n");
    { auto orx = Connect(); }
    EXPECT_EQ(MissingInOrder(Traced(), {"NTF\tcORX::Start: CreateProcess -s returned: 0x80000040",
                                        "NTF\tcORX::Start: CreateProcess -s returned: 0x80000040",
                                        "NTF\tcORX::Start: CreateProcess -s returned: 0x0",
                                        "NTF\tCUsingORX::CUsingORX: SUCCESS."}),
              "");
    EXPECT_EQ(CountPrefix(Entries(), "tsremote api8 "), 3u);
}

TEST_F(UsingOrx, ServiceThatCannotBeStartedFailsEveryTry) {
    ResetStandIns("[fail]\napi8=-1\n");
    EXPECT_EQ(ConnectFailure(), "CUsingORX::CUsingORX: Cann't start ORX service.");
    const auto traced = Traced();
    EXPECT_EQ(CountOf(traced, "NTF\tcORX::Start: CreateProcess -s returned: 0x80000040"), 9u);
    EXPECT_EQ(CountOf(traced, "NTF\tCUsingORX::CUsingORX: Wait before next try."), 2u);
    EXPECT_EQ(MissingInOrder(traced, {"NTF\tCUsingORX::CUsingORX: the 3 try.", "NTF\tCUsingORX::CUsingORX: Free Tessel."}),
              "");
    // Per try: 30 steps before the start and 30 after it; 5 s between tries.
    const auto tryWaits = Repeated(1000, 60);
    EXPECT_EQ(g_waits, tryWaits + std::vector<DWORD>{5000} + tryWaits + std::vector<DWORD>{5000} + tryWaits);
}

TEST_F(UsingOrx, ServiceThatEndsAtOnceIsNotTakenAsStarted) {
    ResetStandIns("[orx]\nexit_at_once=1\n");
    EXPECT_EQ(ConnectFailure(), "CUsingORX::CUsingORX: Cann't start ORX service.");
    EXPECT_EQ(CountPrefix(Entries(), "tsremote api8 "), 3u);
    EXPECT_EQ(CountOf(Traced(), "NTF\tcORX::Start: CreateProcess -s returned: 0x0"), 3u);
}

TEST_F(UsingOrx, AttachFailingInEveryTryGivesThreeTriesAndTwoWaits) {
    StartService(std::wstring(kProductFolder) + L"orx.exe");
    ResetStandIns("[fail]\napi18=-1\n");
    EXPECT_EQ(ConnectFailure(), "CUsingORX::CUsingORX: cannot attach proxy.");
    const auto traced = Traced();
    EXPECT_EQ(MissingInOrder(traced, {"NTF\tCUsingORX::CUsingORX: the 1 try.", "WRN\tCUsingORX::CUsingORX: cannot attach TM proxy.",
                                      "NTF\tCUsingORX::StopORXIfNeed: Stop ORX service.",
                                      "NTF\tCUsingORX::CUsingORX: Wait before next try.", "NTF\tCUsingORX::CUsingORX: the 2 try.",
                                      "WRN\tCUsingORX::CUsingORX: cannot attach TM proxy.",
                                      "NTF\tCUsingORX::CUsingORX: Wait before next try.", "NTF\tCUsingORX::CUsingORX: the 3 try.",
                                      "WRN\tCUsingORX::CUsingORX: cannot attach TM proxy.",
                                      "NTF\tCUsingORX::StopORXIfNeed: Stop ORX service.",
                                      "NTF\tCUsingORX::CUsingORX: Free Tessel."}),
              "");
    EXPECT_EQ(CountOf(traced, "NTF\tCUsingORX::StopORXIfNeed: Stop ORX service."), 3u);
    EXPECT_EQ(CountOf(traced, "NTF\tCUsingORX::CUsingORX: the 4 try."), 0u);
    EXPECT_EQ(g_waits, (std::vector<DWORD>{5000, 5000}));
    const auto entries = Entries();
    // No proxy, so no stop request; each try's name is given back.
    EXPECT_EQ(CountPrefix(entries, "tsremote proxy3 "), 0u);
    EXPECT_EQ(CountOf(entries, "tsremote rootsys54 system=root memory=allocated" + kOk), 3u);
    EXPECT_EQ(CountOf(entries, "tsremote api15" + kOk), 1u);
    EXPECT_TRUE(ProcessRunning(L"orx.exe"));
}

TEST_F(UsingOrx, ServiceStartedInAFailedTryIsStillStoppedAtTheEnd) {
    ResetStandIns("[fail]\napi18=1\n");
    {
        auto orx = Connect();
        EXPECT_EQ(g_waits, Repeated(1000, 30) + std::vector<DWORD>{5000});
        EXPECT_EQ(MissingInOrder(Traced(), {"NTF\tCUsingORX::CUsingORX: Start ORX service.",
                                            "WRN\tCUsingORX::CUsingORX: cannot attach TM proxy.",
                                            "NTF\tCUsingORX::CUsingORX: the 2 try.", "NTF\tCUsingORX::CUsingORX: ORX running.",
                                            "NTF\tCUsingORX::CUsingORX: SUCCESS."}),
                  "");
    }
    WaitUntilNoService();
    EXPECT_EQ(MissingInOrder(Entries(), {"tsremote api18 session=-1 name=TaskManager -> 0x80000040",
                                         "tsremote api18 session=-1 name=TaskManager" + kOk,
                                         "tsremote proxy3 proxy=live flags=0" + kOk}),
              "");
    EXPECT_EQ(CountOf(Entries(), "orx end reason=stop"), 1u);
    EXPECT_EQ(CountPrefix(Entries(), "tsremote api8 "), 1u);
}

TEST_F(UsingOrx, ProxyStubFailureIsTracedWithTheFrameworkCode) {
    StartService(std::wstring(kProductFolder) + L"orx.exe");
    ResetStandIns("[fail]\nroot39=-1\n[codes]\nroot39=0x8000012F\n");
    EXPECT_EQ(ConnectFailure(), "CUsingORX::CUsingORX: LoadProxyStub error.");
    const auto traced = Traced();
    EXPECT_EQ(CountOf(traced, "ERR\tCUsingORX::CUsingORX: LoadProxyStub error 0x8000012f."), 3u);
    EXPECT_EQ(CountOf(traced, "NTF\tCUsingORX::StopORXIfNeed: Stop ORX service."), 3u);
    EXPECT_EQ(CountPrefix(Entries(), "tsremote api18 "), 0u);
}

TEST_F(UsingOrx, FailedInitialisationEndsEachTryAtTheProxyStub) {
    StartService(std::wstring(kProductFolder) + L"orx.exe");
    ResetStandIns("[fail]\napi9=-1\n[codes]\napi9=0x80000077\n");
    EXPECT_EQ(ConnectFailure(), "CUsingORX::CUsingORX: LoadProxyStub error.");
    const auto traced = Traced();
    EXPECT_EQ(CountOf(traced, "ERR\tCUsingORX::CUsingORX: LoadProxyStub error 0x80000077."), 3u);
    const auto entries = Entries();
    EXPECT_EQ(CountPrefix(entries, "tsremote api29"), 0u);
    EXPECT_EQ(CountPrefix(entries, "tsremote root39 "), 0u);
    EXPECT_EQ(CountPrefix(entries, "tsremote rootsys52 "), 0u);
}

TEST_F(UsingOrx, NameThatCannotBeAllocatedFailsOnlyItsTry) {
    StartService(std::wstring(kProductFolder) + L"orx.exe");
    ResetStandIns("[fail]\nrootsys52=1\n");
    { auto orx = Connect(); }
    EXPECT_EQ(MissingInOrder(Entries(), {"tsremote rootsys52 system=root size=12 -> 0x80000040",
                                         "tsremote api18 session=-1 name=(null) -> 0x8000004c",
                                         "tsremote rootsys52 system=root size=12" + kOk,
                                         "tsremote api18 session=-1 name=TaskManager" + kOk}),
              "");
    EXPECT_EQ(CountOf(Traced(), "WRN\tCUsingORX::CUsingORX: cannot attach TM proxy."), 1u);
}

TEST_F(UsingOrx, StopRechecksTheProxyAndAttachesAgainWhenItIsRefused) {
    ResetStandIns("[fail]\napi1=1\n");
    { auto orx = Connect(); }
    WaitUntilNoService();
    EXPECT_EQ(MissingInOrder(Entries(), {"tsremote api1 handle=proxy -> 0x80000042", "tsremote api19 handle=proxy" + kOk,
                                         "tsremote api18 session=-1 name=TaskManager" + kOk,
                                         "tsremote proxy3 proxy=live flags=0" + kOk}),
              "");
    EXPECT_EQ(CountOf(Entries(), "orx end reason=stop"), 1u);
}

TEST_F(UsingOrx, RebootRequestSendsBothMessagesInOrder) {
    StartService(std::wstring(kProductFolder) + L"orx.exe");
    ResetStandIns();
    {
        auto orx = Connect();
        orx->SetStatusNeedRebootOS();
    }
    EXPECT_EQ(MissingInOrder(Traced(), {"NTF\tCUsingORX::SetStatusNeedRebootOS: START",
                                        "NTF\tCUsingORX::SetStatusNeedRebootOS: Before create task OS reboot request.",
                                        "NTF\tCUsingORX::SetStatusNeedRebootOS: Before send message about change product state.",
                                        "NTF\tCUsingORX::SetStatusNeedRebootOS: SUCCESS"}),
              "");
    EXPECT_EQ(MissingInOrder(Entries(),
                             {"tsremote tsSendMsg proxy=live class=0x64E52DB8 id=0x0 object=null buffer=null size=null" + kOk,
                              "tsremote tsSendMsg proxy=live class=0x2937151D id=0xC1D5EFA5 object=null buffer=null size=null" + kOk}),
              "");
}

TEST_F(UsingOrx, RefusedRebootRequestSendsNoSecondMessage) {
    StartService(std::wstring(kProductFolder) + L"orx.exe");
    ResetStandIns("[refuse]\n64E52DB8/0=1\n");
    auto orx = Connect();
    std::string failure;
    try {
        orx->SetStatusNeedRebootOS();
    } catch (const std::logic_error& error) {
        failure = error.what();
    }
    EXPECT_EQ(failure, "CUsingORX::SetStatusNeedRebootOS: tsSendMsg error.");
    const auto traced = Traced();
    EXPECT_EQ(MissingInOrder(traced, {"NTF\tCUsingORX::SetStatusNeedRebootOS: Before create task OS reboot request.",
                                      "ERR\tCUsingORX::SetStatusNeedRebootOS: tsSendMsg error 0x80000061."}),
              "");
    EXPECT_EQ(CountOf(traced, "NTF\tCUsingORX::SetStatusNeedRebootOS: Before send message about change product state."), 0u);
    EXPECT_EQ(CountPrefix(Entries(), "tsremote tsSendMsg proxy=live class=0x2937151D"), 0u);
}

TEST_F(UsingOrx, RefusedStateChangeFailsAfterTheRebootRequest) {
    StartService(std::wstring(kProductFolder) + L"orx.exe");
    ResetStandIns("[refuse]\n2937151D/C1D5EFA5=1\n[codes]\nrefuse=0x80000099\n");
    auto orx = Connect();
    EXPECT_THROW(orx->SetStatusNeedRebootOS(), std::logic_error);
    const auto traced = Traced();
    EXPECT_EQ(MissingInOrder(traced, {"NTF\tCUsingORX::SetStatusNeedRebootOS: Before send message about change product state.",
                                      "ERR\tCUsingORX::SetStatusNeedRebootOS: tsSendMsg error 0x80000099."}),
              "");
    EXPECT_EQ(CountOf(traced, "NTF\tCUsingORX::SetStatusNeedRebootOS: SUCCESS"), 0u);
    EXPECT_EQ(CountPrefix(Entries(), "tsremote tsSendMsg proxy=live class=0x64E52DB8 id=0x0 object=null buffer=null size=null" + kOk),
              1u);
}

TEST_F(UsingOrx, RefusedAnnouncementIsAFailure) {
    StartService(std::wstring(kProductFolder) + L"orx.exe");
    ResetStandIns("[refuse]\nAE5E2EA3/1002=1\n");
    auto orx = Connect();
    std::string failure;
    try {
        orx->RegisterSelfInvisible();
    } catch (const std::logic_error& error) {
        failure = error.what();
    }
    EXPECT_EQ(failure, "CUsingORX::RegisterSelfInvisible: tsSendMsg error.");
    EXPECT_EQ(MissingInOrder(Traced(), {"ERR\tCUsingORX::RegisterSelfInvisible: tsSendMsg error 0x80000061."}), "");
    EXPECT_EQ(CountOf(Traced(), "NTF\tCUsingORX::RegisterSelfInvisible: SUCCESS"), 0u);
}

TEST_F(UsingOrx, WithoutProxyRequestsHaveNothingToDo) {
    StartService(std::wstring(kProductFolder) + L"orx.exe");
    ResetStandIns();
    auto orx = Connect();
    CUsingORXTestAccess::DropTaskManager(*orx);
    orx->RegisterSelfInvisible();
    orx->SetStatusNeedRebootOS();
    const auto traced = Traced();
    EXPECT_EQ(MissingInOrder(traced, {"NTF\tCUsingORX::RegisterSelfInvisible: START",
                                      "IMP\tCUsingORX::RegisterSelfInvisible: no Tessel. Nothing to do.",
                                      "NTF\tCUsingORX::SetStatusNeedRebootOS: START",
                                      "IMP\tCUsingORX::SetStatusNeedRebootOS: no Tessel. Nothing to do."}),
              "");
    EXPECT_EQ(CountPrefix(Entries(), "tsremote tsSendMsg "), 0u);
}

// Restores ProductRoot when a test has changed it.
class ProductRootChange {
public:
    explicit ProductRootChange(const wchar_t* value) {
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey, 0, KEY_ALL_ACCESS, key_.put());
        if (value)
            RegSetValueExW(key_.get(), kProductRootValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(key_.get(), kProductRootValue);
    }
    ~ProductRootChange() {
        RegSetValueExW(key_.get(), kProductRootValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(kProductFolder),
                       static_cast<DWORD>((wcslen(kProductFolder) + 1) * sizeof(wchar_t)));
    }

private:
    UniqueHKey key_;
};

TEST_F(UsingOrx, UnreadableOrMissingProductFolderFailsBeforeAnyFrameworkWork) {
    {
        ProductRootChange change(nullptr);
        EXPECT_EQ(ConnectFailure(), FormatErrorTextA(ERROR_FILE_NOT_FOUND, "CUsingORX::CUsingORX"));
    }
    {
        ProductRootChange change(L"C:\\No Such Product\\");
        EXPECT_EQ(ConnectFailure(), FormatErrorTextA(ERROR_FILE_NOT_FOUND, "CUsingORX::CUsingORX"));
    }
    EXPECT_TRUE(Journal().empty());
    EXPECT_EQ(CountOf(Traced(), "NTF\tCUsingORX::CUsingORX: the 1 try."), 0u);
}

}  // namespace

int main(int argc, char** argv) {
    // The trace log reads its folder on first use: the product comes first.
    PrepareProduct();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
