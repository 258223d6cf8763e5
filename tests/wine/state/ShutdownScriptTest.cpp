#include "PolicySandbox.h"
#include "TraceFile.h"
#include "state/ShutdownScript.h"
#include "util/ErrorText.h"
#include "util/HexNumbers.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::Not;

const std::wstring kOurs = L"C:\\Program Files\\ZEP 8\\Patches\\Private\\hf41.exe";
const wchar_t kParameters[] = L"/when now /clean ";

std::wstring ScriptName(int n) { return L"C:\\Scripts\\s" + std::to_wstring(n) + L".exe"; }
std::wstring ParametersOf(int n) { return L"/p " + std::to_wstring(n); }

void Register(const std::wstring& path, const std::wstring& parameters, bool newer = true) {
    CShutdownScript(path.c_str(), newer).Create(parameters.c_str());
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The expected "Shutdown" section as Wine's profile writer lays it out.
std::string ScriptsIni(const std::vector<std::pair<std::wstring, std::wstring>>& scripts) {
    std::string text = "[Shutdown]\r\n";
    for (size_t n = 0; n < scripts.size(); ++n) {
        const std::string name = Narrow(IntToHex(static_cast<int>(n)));
        text += name + "CmdLine=" + Narrow(scripts[n].first) + "\r\n";
        text += name + "Parameters=" + Narrow(scripts[n].second) + "\r\n";
    }
    return text;
}

class ShutdownScriptTest : public ::testing::Test {
protected:
    PolicySandbox box;

    std::vector<std::string> IniWrite(int entries) const {
        std::vector<std::string> lines = GuardOpens();
        for (int n = 0; n < entries; ++n)
            lines.push_back("NTF CShutdownScript::UpdateScriptIni: current subkey = " + Narrow(IntToHex(n)));
        lines.push_back("NTF CShutdownScript::UpdateScriptIni: write section Shutdown to " + Narrow(box.scriptsIni()));
        const std::vector<std::string> closes = GuardCloses();
        lines.insert(lines.end(), closes.begin(), closes.end());
        return lines;
    }
};

TEST_F(ShutdownScriptTest, FirstRegistrationOnACleanMachine) {
    TraceCapture trace;
    Register(kOurs, kParameters);

    EXPECT_EQ(ReadString(kScriptList, L"FileSysPath"), box.policyFolder());
    EXPECT_EQ(SubkeyNames(kScriptList), std::vector<std::wstring>{L"0"});
    EXPECT_EQ(Tree(Entry(L"0").c_str()), (RegistryTree{{L"|parameters", L"1:/when now /clean "},
                                                        {L"|script", L"1:" + kOurs},
                                                        {L"|ispowershell", L"4:0"}}));
    // The policy key Windows reads holds the same tree, list key "0" included.
    EXPECT_EQ(Tree(kNewerPolicy), Tree(kStateShutdown));
    EXPECT_EQ(Tree(kNewerPolicy).count(L"\\0\\0|script"), 1u);
    EXPECT_FALSE(KeyExists(kOlderPolicy));
    EXPECT_EQ(ReadBytes(box.scriptsIni()), ScriptsIni({{kOurs, kParameters}}));

    EXPECT_THAT(trace.Tagged(),
                ElementsAreArray(Concat({{"NTF " + Narrow(FormatErrorText(ERROR_FILE_NOT_FOUND, L"CShutdownScript::Delete")),
                                          "NTF CShutdownScript::Create: Find first free key number",
                                          "NTF CShutdownScript::Create: Create shutdown script key",
                                          "NTF CShutdownScript::Create: Synchronize policies keys"},
                                         IniWrite(1)})));
}

TEST_F(ShutdownScriptTest, SamePathTwiceLeavesOneEntryAtTheFirstFreeNumber) {
    Register(ScriptName(0), ParametersOf(0));
    Register(kOurs, L"/old ");
    Register(ScriptName(2), ParametersOf(2));
    TraceCapture trace;
    Register(kOurs, kParameters);

    EXPECT_EQ(ReadString(Entry(L"0"), L"Script"), ScriptName(0));
    EXPECT_EQ(ReadString(Entry(L"1"), L"Script"), ScriptName(2));
    EXPECT_EQ(ReadString(Entry(L"1"), L"Parameters"), ParametersOf(2));
    EXPECT_EQ(ReadString(Entry(L"2"), L"Script"), kOurs);
    EXPECT_EQ(ReadString(Entry(L"2"), L"Parameters"), kParameters);
    EXPECT_EQ(SubkeyNames(kScriptList).size(), 3u);
    EXPECT_EQ(Tree(kNewerPolicy), Tree(kStateShutdown));
    EXPECT_EQ(ReadBytes(box.scriptsIni()),
              ScriptsIni({{ScriptName(0), ParametersOf(0)}, {ScriptName(2), ParametersOf(2)}, {kOurs, kParameters}}));
    EXPECT_THAT(trace.Tagged(), Contains("NTF CShutdownScript::Delete: rename key 2 to 1"));
    EXPECT_THAT(trace.Tagged(), Contains("NTF CShutdownScript::FindFreeKeyNumber: current subkey = 1"));
}

TEST_F(ShutdownScriptTest, DeletingEntryOneOfFourMovesLaterEntriesWithTheirValuesAndSubkeys) {
    for (int n = 0; n < 4; ++n) Register(ScriptName(n), ParametersOf(n));
    for (int n : {2, 3}) {
        // What other writers keep in an entry moves with it.
        SetString(Entry(std::to_wstring(n)), L"ExecTime", L"t" + std::to_wstring(n));
        SetString(Entry(std::to_wstring(n)) + L"\\Extra\\Deep", L"v", L"deep" + std::to_wstring(n));
    }
    const RegistryTree second = Tree(Entry(L"2").c_str());
    const RegistryTree third = Tree(Entry(L"3").c_str());
    ASSERT_EQ(second.count(L"\\extra\\deep|v"), 1u);

    TraceCapture trace;
    CShutdownScript(ScriptName(1).c_str(), true).Delete();

    EXPECT_EQ(Tree(Entry(L"1").c_str()), second);
    EXPECT_EQ(Tree(Entry(L"2").c_str()), third);
    EXPECT_FALSE(KeyExists(Entry(L"3").c_str()));
    EXPECT_EQ(ReadString(Entry(L"0"), L"Script"), ScriptName(0));
    EXPECT_EQ(Tree(kNewerPolicy), Tree(kStateShutdown));
    EXPECT_EQ(ReadBytes(box.scriptsIni()), ScriptsIni({{ScriptName(0), ParametersOf(0)},
                                                       {ScriptName(2), ParametersOf(2)},
                                                       {ScriptName(3), ParametersOf(3)}}));
    EXPECT_THAT(trace.Tagged(),
                ElementsAreArray(Concat({{"NTF CShutdownScript::Delete: delete subkey 1 with our shutdown script",
                                          "NTF CShutdownScript::Delete: shift all next keys",
                                          "NTF CShutdownScript::Delete: rename key 2 to 1",
                                          "NTF CShutdownScript::Delete: rename key 3 to 2"},
                                         IniWrite(3)})));
}

TEST_F(ShutdownScriptTest, NineteenthEntryIsSubkey12AndScriptsIniListsAllInNumericOrder) {
    for (int n = 0; n < 18; ++n) Register(ScriptName(n), ParametersOf(n));
    TraceCapture trace;
    Register(ScriptName(18), ParametersOf(18));

    EXPECT_EQ(ReadString(Entry(L"12"), L"Script"), ScriptName(18));
    EXPECT_EQ(ReadString(Entry(L"a"), L"Script"), ScriptName(10));
    EXPECT_FALSE(KeyExists(Entry(L"13").c_str()));
    // The registry's own order is by name, so "10" comes before "2": the
    // numbering must not follow it.
    const std::vector<std::wstring> listed = SubkeyNames(kScriptList);
    ASSERT_EQ(listed.size(), 19u);
    EXPECT_LT(std::find(listed.begin(), listed.end(), L"10"), std::find(listed.begin(), listed.end(), L"2"));

    std::vector<std::pair<std::wstring, std::wstring>> all;
    for (int n = 0; n < 19; ++n) all.emplace_back(ScriptName(n), ParametersOf(n));
    const std::string ini = ReadBytes(box.scriptsIni());
    EXPECT_EQ(ini, ScriptsIni(all));
    EXPECT_NE(ini.find("aCmdLine=C:\\Scripts\\s10.exe\r\naParameters=/p 10\r\n"), std::string::npos);

    std::vector<std::string> probes;
    for (int n = 0; n < 18; ++n)
        probes.push_back("NTF CShutdownScript::FindFreeKeyNumber: current subkey = " + Narrow(IntToHex(n)));
    const std::vector<std::string> lines = trace.Tagged();
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.find("FindFreeKeyNumber") != std::string::npos) found.push_back(line);
    EXPECT_EQ(found, probes);
}

TEST_F(ShutdownScriptTest, PathDifferingOnlyInCaseIsNotDeletedButThePolicyKeyIsResynchronised) {
    Register(kOurs, kParameters);
    const RegistryTree before = Tree(kStateShutdown);
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kNewerPolicy);
    WriteBytes(box.scriptsIni(), "[Shutdown]\r\nmarker=1\r\n");

    std::wstring other = kOurs;
    CharLowerBuffW(other.data(), static_cast<DWORD>(other.size()));
    TraceCapture trace;
    CShutdownScript(other.c_str(), true).Delete();

    EXPECT_EQ(Tree(kStateShutdown), before);
    EXPECT_EQ(Tree(kNewerPolicy), before);
    EXPECT_EQ(ReadBytes(box.scriptsIni()), "[Shutdown]\r\nmarker=1\r\n");
    EXPECT_TRUE(trace.Tagged().empty());
}

TEST_F(ShutdownScriptTest, ExistingFileSysPathIsKeptAndScriptsIniStillGoesUnderWindir) {
    SetString(kScriptList, L"FileSysPath", L"D:\\Elsewhere\\Machine");
    Register(kOurs, kParameters);
    EXPECT_EQ(ReadString(kScriptList, L"FileSysPath"), L"D:\\Elsewhere\\Machine");
    EXPECT_EQ(ReadBytes(box.scriptsIni()), ScriptsIni({{kOurs, kParameters}}));
}

TEST_F(ShutdownScriptTest, OlderLayoutMirrorsIntoThePoliciesKeyAndLeavesTheNewerOneAlone) {
    SetString(kNewerPolicy, L"Marker", L"kept");
    Register(kOurs, kParameters, false);
    EXPECT_EQ(Tree(kOlderPolicy), Tree(kStateShutdown));
    EXPECT_EQ(Tree(kOlderPolicy).count(L"\\0\\0|script"), 1u);
    EXPECT_EQ(Tree(kNewerPolicy), (RegistryTree{{L"|marker", L"1:kept"}}));

    CShutdownScript(kOurs.c_str(), false).Delete();
    EXPECT_TRUE(KeyExists(kOlderPolicy));
    EXPECT_TRUE(Tree(kOlderPolicy).empty());
    EXPECT_EQ(Tree(kNewerPolicy), (RegistryTree{{L"|marker", L"1:kept"}}));
}

TEST_F(ShutdownScriptTest, NewerLayoutLeavesTheOlderPoliciesKeyAlone) {
    SetString(kOlderPolicy, L"Marker", L"kept");
    Register(kOurs, kParameters, true);
    EXPECT_EQ(Tree(kOlderPolicy), (RegistryTree{{L"|marker", L"1:kept"}}));
    EXPECT_EQ(Tree(kNewerPolicy), Tree(kStateShutdown));
}

TEST_F(ShutdownScriptTest, LayoutFollowsTheSystemVersion) {
    // Wine reports Windows 10 by default (6.2 to a program without a
    // manifest); the older layout is driven end to end with a Windows XP
    // prefix (tests/e2e/test_shutdown_sim.py).
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExW(&version));
    EXPECT_EQ(CShutdownScript(kOurs.c_str()).NewerPolicyLayout(), version.dwMajorVersion >= 6);
    EXPECT_GE(version.dwMajorVersion, 6u);
}

TEST_F(ShutdownScriptTest, DeletingTheOnlyEntryEmptiesTheSectionAndRemovesTheListKey) {
    Register(kOurs, kParameters);
    TraceCapture trace;
    CShutdownScript(kOurs.c_str(), true).Delete();

    EXPECT_FALSE(KeyExists(kScriptList));
    EXPECT_TRUE(KeyExists(kStateShutdown));
    EXPECT_TRUE(KeyExists(kNewerPolicy));
    EXPECT_TRUE(Tree(kNewerPolicy).empty());
    EXPECT_EQ(ReadBytes(box.scriptsIni()), "[Shutdown]\r\n");
    EXPECT_THAT(trace.Tagged(),
                ElementsAreArray(Concat({{"NTF CShutdownScript::Delete: delete subkey 0 with our shutdown script",
                                          "NTF CShutdownScript::Delete: shift all next keys"},
                                         IniWrite(0),
                                         {"NTF CShutdownScript::Delete: no more script keys"}})));
}

TEST_F(ShutdownScriptTest, DeleteWithNothingRegisteredTracesTheOpenFailureAndTouchesNothing) {
    TraceCapture trace;
    CShutdownScript(kOurs.c_str(), true).Delete();
    EXPECT_THAT(trace.Tagged(),
                ElementsAreArray({"NTF " + Narrow(FormatErrorText(ERROR_FILE_NOT_FOUND, L"CShutdownScript::Delete"))}));
    EXPECT_FALSE(KeyExists(kNewerPolicy));
    EXPECT_FALSE(KeyExists(kOlderPolicy));
    EXPECT_EQ(ReadBytes(box.scriptsIni()), "");
}

TEST_F(ShutdownScriptTest, EntryWithoutScriptIsReportedAndStillCountsForNumbering) {
    SetString(Entry(L"0"), L"Parameters", L"/foreign");
    Register(kOurs, kParameters);
    Register(ScriptName(2), ParametersOf(2));
    EXPECT_EQ(ReadString(Entry(L"1"), L"Script"), kOurs);

    TraceCapture trace;
    CShutdownScript(kOurs.c_str(), true).Delete();

    const std::vector<std::string> lines = trace.Tagged();
    EXPECT_THAT(lines, Contains("ERR CShutdownScript::Delete: cann't read subkey 0 value Script"));
    EXPECT_THAT(lines, Contains("NTF CShutdownScript::Delete: rename key 2 to 1"));
    EXPECT_EQ(ReadString(Entry(L"0"), L"Parameters"), L"/foreign");
    EXPECT_EQ(ReadString(Entry(L"1"), L"Script"), ScriptName(2));
    EXPECT_FALSE(KeyExists(Entry(L"2").c_str()));
    // Unreadable values leave their lines ending after "=".
    EXPECT_EQ(ReadBytes(box.scriptsIni()),
              "[Shutdown]\r\n0CmdLine=\r\n0Parameters=/foreign\r\n1CmdLine=C:\\Scripts\\s2.exe\r\n1Parameters=/p 2\r\n");
}

}  // namespace
