// The failure rows of the shutdown-script registration, each forced through
// the registry or the file system the way a real machine could fail them.
#include "PolicySandbox.h"
#include "TraceFile.h"
#include "state/ShutdownScript.h"
#include "util/ErrorText.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;

const std::wstring kOurs = L"C:\\Program Files\\ZEP 8\\Patches\\Private\\hf41.exe";
const wchar_t kParameters[] = L"/when now /clean ";
const std::string kNotFound = "NTF " + Narrow(FormatErrorText(ERROR_FILE_NOT_FOUND, L"CShutdownScript::Delete"));

std::string LastLine(const TraceCapture& trace) {
    const std::vector<std::string> lines = trace.Tagged();
    return lines.empty() ? std::string("(no trace)") : lines.back();
}

class ShutdownScriptFailureTest : public ::testing::Test {
protected:
    PolicySandbox box;
    CShutdownScript ours{kOurs.c_str(), true};
};

TEST_F(ShutdownScriptFailureTest, FailedRemovalOfTheOldEntryIsAWarningAndRegistrationGoesOn) {
    CShutdownScript(L"C:\\first.exe", true).Create(L"/a");
    ours.Create(L"/old");
    // A foreign writer's "02" counts as number 2, but no subkey "2" exists to
    // be moved down: the removal fails half-way.
    SetString(Entry(L"02"), L"Script", L"C:\\foreign.exe");

    TraceCapture trace;
    ours.Create(kParameters);

    EXPECT_THAT(trace.Tagged(),
                Contains("WRN " + ErrorText(ERROR_FILE_NOT_FOUND, "CShutdownScript::Delete")));
    EXPECT_EQ(ReadString(Entry(L"2"), L"Script"), kOurs);
    EXPECT_EQ(ReadString(Entry(L"2"), L"Parameters"), kParameters);
    EXPECT_EQ(Tree(kNewerPolicy), Tree(kStateShutdown));
    EXPECT_NE(ReadBytes(box.scriptsIni()).find("2CmdLine=" + Narrow(kOurs)), std::string::npos);
}

TEST_F(ShutdownScriptFailureTest, ScriptListKeyThatCannotBeCreatedFailsCreate) {
    CreateVolatileKey(kStateShutdown);
    TraceCapture trace;
    EXPECT_EQ(ThrownText([&] { ours.Create(kParameters); }),
              ErrorText(ERROR_CHILD_MUST_BE_VOLATILE, "CShutdownScript::Create"));
    EXPECT_THAT(trace.Tagged(), ElementsAreArray({kNotFound}));
    EXPECT_FALSE(KeyExists(kScriptList));
    EXPECT_FALSE(KeyExists(kNewerPolicy));
    EXPECT_EQ(ReadBytes(box.scriptsIni()), "");
}

TEST_F(ShutdownScriptFailureTest, ScriptSubkeyThatCannotBeWrittenFailsAndKeepsFileSysPath) {
    CreateVolatileKey(kScriptList);
    TraceCapture trace;
    EXPECT_EQ(ThrownText([&] { ours.Create(kParameters); }),
              ErrorText(ERROR_CHILD_MUST_BE_VOLATILE, "CShutdownScript::CreateShutdownScript"));
    EXPECT_EQ(ReadString(kScriptList, L"FileSysPath"), box.policyFolder());
    EXPECT_TRUE(SubkeyNames(kScriptList).empty());
    EXPECT_EQ(LastLine(trace), "NTF CShutdownScript::Create: Create shutdown script key");
    EXPECT_EQ(ReadBytes(box.scriptsIni()), "");
}

TEST_F(ShutdownScriptFailureTest, PolicyKeyThatCannotBeRecreatedFailsAfterTheStateIsWritten) {
    CreateVolatileKey(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts");
    TraceCapture trace;
    EXPECT_EQ(ThrownText([&] { ours.Create(kParameters); }),
              ErrorText(ERROR_CHILD_MUST_BE_VOLATILE, "CShutdownScript::SynchronizePoliciesKeys"));
    EXPECT_EQ(ReadString(Entry(L"0"), L"Script"), kOurs);
    EXPECT_FALSE(KeyExists(kNewerPolicy));
    EXPECT_EQ(LastLine(trace), "NTF CShutdownScript::Create: Synchronize policies keys");
    EXPECT_EQ(ReadBytes(box.scriptsIni()), "");
}

TEST_F(ShutdownScriptFailureTest, OlderPolicyKeyThatCannotBeRecreatedFailsDelete) {
    CShutdownScript older(kOurs.c_str(), false);
    older.Create(kParameters);
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\Microsoft\\Windows\\System\\Scripts");
    CreateVolatileKey(L"SOFTWARE\\Policies\\Microsoft\\Windows\\System\\Scripts");
    EXPECT_EQ(ThrownText([&] { older.Delete(); }),
              ErrorText(ERROR_CHILD_MUST_BE_VOLATILE, "CShutdownScript::SynchronizePoliciesKeys"));
    // The state was already brought up to date.
    EXPECT_FALSE(KeyExists(kScriptList));
    EXPECT_EQ(ReadBytes(box.scriptsIni()), "[Shutdown]\r\n");
}

TEST_F(ShutdownScriptFailureTest, ScriptsIniThatCannotBeWrittenFailsAfterTheRegistryIsUpdated) {
    // A folder where the file should be.
    CreateDirectoryW((box.windows() + L"\\system32").c_str(), nullptr);
    CreateDirectoryW((box.windows() + L"\\system32\\GroupPolicy").c_str(), nullptr);
    CreateDirectoryW(box.policyFolder().c_str(), nullptr);
    CreateDirectoryW((box.policyFolder() + L"\\Scripts").c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(box.scriptsIni().c_str(), nullptr));

    // Opening a folder for writing as a file is refused access.
    EXPECT_EQ(ThrownText([&] { ours.Create(kParameters); }),
              ErrorText(ERROR_ACCESS_DENIED, "CShutdownScript::UpdateScriptIni"));
    EXPECT_EQ(ReadString(Entry(L"0"), L"Script"), kOurs);
    EXPECT_EQ(Tree(kNewerPolicy), Tree(kStateShutdown));
}

TEST_F(ShutdownScriptFailureTest, MissingWindirFailsBeforeAnyScriptIsWritten) {
    SetWindir(nullptr);
    EXPECT_EQ(ThrownText([&] { ours.Create(kParameters); }),
              ErrorText(ERROR_ENVVAR_NOT_FOUND, "CShutdownScript::GetScriptsIniPath"));
    EXPECT_EQ(ReadString(kScriptList, L"FileSysPath"), L"(absent)");
    EXPECT_TRUE(SubkeyNames(kScriptList).empty());
}

}  // namespace
