#include "ScratchFolder.h"
#include "TestText.h"
#include "TraceFile.h"
#include "util/ConfigManager.h"
#include "util/ErrorText.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using ::testing::ElementsAre;

const char kReadName[] = "NTF CConfigManager::GetSection: New buffer size for ini-section = ";

class ConfigManagerTest : public ::testing::Test {
protected:
    ScratchFolder folder{L"zep-config"};
    std::wstring ini = folder / L"Patches.ini";
};

TEST_F(ConfigManagerTest, ReadsKeysUpToTheFirstEqualsAndSkipsLinesWithoutOne) {
    WriteBytes(ini, "[S]\r\na=1\r\nb=x=y\r\nnoequals\r\n=v\r\nk=\r\n[T]\r\nt=1\r\n");
    SectionMap map{{L"stale", L"entry"}};
    TraceCapture trace;
    CConfigManager(ini.c_str()).GetSection(L"S", map);
    EXPECT_EQ(map, (SectionMap{{L"a", L"1"}, {L"b", L"x=y"}, {L"", L"v"}, {L"k", L""}}));
    EXPECT_THAT(trace.Tagged(), ElementsAre(std::string(kReadName) + "520 chars"));
}

TEST_F(ConfigManagerTest, LaterDuplicateWinsAndKeysDifferingInCaseAreTwo) {
    WriteBytes(ini, "[S]\r\nk=1\r\nKey=A\r\nkey=b\r\nk=2\r\n");
    SectionMap map;
    CConfigManager(ini.c_str()).GetSection(L"S", map);
    EXPECT_EQ(map, (SectionMap{{L"Key", L"A"}, {L"k", L"2"}, {L"key", L"b"}}));
}

TEST_F(ConfigManagerTest, WritesInMapOrderAndReplacesOnlyThatSection) {
    WriteBytes(ini, "[S]\r\nB=2\r\nA=1\r\nold=x\r\n[T]\r\nt=1\r\n");
    const CConfigManager config(ini.c_str());
    SectionMap map;
    config.GetSection(L"S", map);
    map.erase(L"old");
    TraceCapture trace;
    config.SetSection(L"S", map);
    EXPECT_EQ(ReadBytes(ini), "[S]\r\nA=1\r\nB=2\r\n[T]\r\nt=1\r\n");
    EXPECT_THAT(trace.Tagged(), ElementsAre("NTF CConfigManager::SetSection: Set section 'S' in config file " +
                                            std::string(ini.begin(), ini.end())));
}

TEST_F(ConfigManagerTest, EmptyMapLeavesTheSectionPresentButEmpty) {
    WriteBytes(ini, "[PATCHES_STATE]\r\na=1\r\n[T]\r\nt=1\r\n");
    const CConfigManager config(ini.c_str());
    config.SetSection(L"PATCHES_STATE", SectionMap{});
    EXPECT_EQ(ReadBytes(ini), "[PATCHES_STATE]\r\n[T]\r\nt=1\r\n");
    SectionMap map{{L"x", L"y"}};
    config.GetSection(L"PATCHES_STATE", map);
    EXPECT_TRUE(map.empty());
}

TEST_F(ConfigManagerTest, WritingCreatesTheFile) {
    const CConfigManager config(ini.c_str());
    config.SetSection(L"PATCHES_STATE", {{L"{B}", L"installed"}, {L"{A}", L"ignored"}});
    EXPECT_EQ(ReadBytes(ini), "[PATCHES_STATE]\r\n{A}=ignored\r\n{B}=installed\r\n");
    // An empty map on a file that does not exist yet reads back empty too
    // (Windows writes the bare section header; Wine writes nothing).
    const std::wstring fresh = folder / L"fresh.ini";
    CConfigManager(fresh.c_str()).SetSection(L"PATCHES_STATE", SectionMap{});
    SectionMap map{{L"x", L"y"}};
    CConfigManager(fresh.c_str()).GetSection(L"PATCHES_STATE", map);
    EXPECT_TRUE(map.empty());
}

TEST_F(ConfigManagerTest, LongSectionIsReadInFullAfterOneDoubling) {
    std::string text = "[S]\r\n";
    SectionMap expected;
    for (int i = 0; i < 60; ++i) {  // 60 entries of 10 characters each: 600 > 518
        char key[8];
        snprintf(key, sizeof key, "key%02d", i);
        text += std::string(key) + "=vvv\r\n";
        expected[std::wstring(key, key + 5)] = L"vvv";
    }
    WriteBytes(ini, text);
    SectionMap map;
    TraceCapture trace;
    CConfigManager(ini.c_str()).GetSection(L"S", map);
    EXPECT_EQ(map, expected);
    EXPECT_THAT(trace.Tagged(),
                ElementsAre(std::string(kReadName) + "520 chars", std::string(kReadName) + "1040 chars"));
}

TEST_F(ConfigManagerTest, MissingFileOrSectionReadsEmptyWithOneTraceLine) {
    SectionMap map{{L"x", L"y"}};
    TraceCapture trace;
    CConfigManager((folder / L"absent.ini").c_str()).GetSection(L"PATCHES_STATE", map);
    EXPECT_TRUE(map.empty());
    EXPECT_THAT(trace.Tagged(), ElementsAre(std::string(kReadName) + "520 chars"));
    EXPECT_FALSE(Exists(folder / L"absent.ini"));

    WriteBytes(ini, "[T]\r\nt=1\r\n");
    CConfigManager(ini.c_str()).GetSection(L"S", map);
    EXPECT_TRUE(map.empty());
}

TEST_F(ConfigManagerTest, NullArgumentsAreRefusedWithTheInvalidParameterText) {
    EXPECT_EQ(ThrownText([] { CConfigManager config(nullptr); }),
              FormatErrorTextA(ERROR_INVALID_PARAMETER, "CConfigManager::CConfigManager"));
    const CConfigManager config(ini.c_str());
    SectionMap map;
    EXPECT_EQ(ThrownText([&] { config.GetSection(nullptr, map); }),
              FormatErrorTextA(ERROR_INVALID_PARAMETER, "CConfigManager::GetSection"));
    EXPECT_EQ(ThrownText([&] { config.SetSection(nullptr, map); }),
              FormatErrorTextA(ERROR_INVALID_PARAMETER, "CConfigManager::SetSection"));
    EXPECT_NE(FormatErrorTextA(ERROR_INVALID_PARAMETER, "X"), "X: Unknown error.");
    EXPECT_FALSE(Exists(ini));
}

TEST_F(ConfigManagerTest, RefusedWriteThrowsTheSystemTextAndLeavesTheFile) {
    const std::wstring missing = folder / L"no\\such\\Patches.ini";
    const std::string text = ThrownText([&] { CConfigManager(missing.c_str()).SetSection(L"S", {{L"a", L"1"}}); });
    EXPECT_EQ(text.rfind("CConfigManager::SetSection: ", 0), 0u) << text;
    EXPECT_EQ(text.find("Unknown error."), std::string::npos) << text;

    // A file another writer holds unshared cannot be rewritten.
    WriteBytes(ini, "[S]\r\na=1\r\n");
    HANDLE held = CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string lockedText =
        ThrownText([&] { CConfigManager(ini.c_str()).SetSection(L"S", {{L"b", L"2"}}); });
    CloseHandle(held);
    EXPECT_EQ(lockedText.rfind("CConfigManager::SetSection: ", 0), 0u) << lockedText;
    EXPECT_EQ(ReadBytes(ini), "[S]\r\na=1\r\n");
}

}  // namespace
