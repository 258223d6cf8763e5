#include "TestRegistryKey.h"
#include "TestText.h"
#include "TraceFile.h"
#include "util/Registry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::wstring Text(const std::vector<wchar_t>& buffer) { return buffer.data(); }

TEST(Registry, LongStringIsReadInFullAfterGrowing) {
    TestRegistryKey key(L"Software\\ZepTest\\Read");
    const std::wstring value(300, L'x');
    key.SetString(L"Long", value);
    std::vector<wchar_t> buffer;
    EXPECT_EQ(ReadRegStringValue(key.get(), L"Long", buffer), 0u);
    EXPECT_EQ(Text(buffer), value);
    EXPECT_EQ(ReadRegStringValueFromKey(L"Long", key.path().c_str(), HKEY_CURRENT_USER, buffer), 0u);
    EXPECT_EQ(Text(buffer), value);
}

TEST(Registry, StringStoredWithoutTerminatorStillEndsInNul) {
    TestRegistryKey key(L"Software\\ZepTest\\Unterminated");
    const std::wstring value(270, L'y');
    RegSetValueExW(key.get(), L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size() * sizeof(wchar_t)));
    std::vector<wchar_t> buffer;
    EXPECT_EQ(ReadRegStringValue(key.get(), L"Bare", buffer), 0u);
    EXPECT_EQ(Text(buffer), value);
}

TEST(Registry, MissingValueOrKeyGivesTheSystemError) {
    TestRegistryKey key(L"Software\\ZepTest\\Missing");
    std::vector<wchar_t> buffer;
    EXPECT_EQ(ReadRegStringValue(key.get(), L"None", buffer), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ReadRegStringValueFromKey(L"x", L"Software\\ZepTest\\NoSuchKey", HKEY_CURRENT_USER, buffer),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Registry, CopyReproducesTwoLevelsWithTypesAndData) {
    TestRegistryKey source(L"Software\\ZepTest\\CopySource");
    TestRegistryKey destination(L"Software\\ZepTest\\CopyDestination");
    source.SetString(L"Top", L"top value");
    {
        UniqueHKey child, grandchild;
        RegCreateKeyExW(source.get(), L"0", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, child.put(), nullptr);
        const DWORD number = 0x12345678;
        RegSetValueExW(child.get(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        RegCreateKeyExW(child.get(), L"1", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, grandchild.put(), nullptr);
        const BYTE blob[600] = {1, 2, 3, 0, 255};
        RegSetValueExW(grandchild.get(), L"Blob", 0, REG_BINARY, blob, sizeof blob);
        const std::wstring script = L"C:\\p\\hf41.exe";
        RegSetValueExW(grandchild.get(), L"Script", 0, REG_SZ, reinterpret_cast<const BYTE*>(script.c_str()),
                       static_cast<DWORD>((script.size() + 1) * 2));
    }
    ASSERT_EQ(RegCopyKeyW(HKEY_CURRENT_USER, source.path().c_str(), destination.get()), 0u);

    DWORD type = 0, number = 0, size = sizeof number;
    ASSERT_EQ(RegGetValueW(destination.get(), L"0", L"Number", RRF_RT_ANY, &type, &number, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number, 0x12345678u);
    BYTE blob[600] = {};
    size = sizeof blob;
    ASSERT_EQ(RegGetValueW(destination.get(), L"0\\1", L"Blob", RRF_RT_ANY, &type, blob, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 600u);
    EXPECT_EQ(blob[4], 255);
    std::vector<wchar_t> buffer;
    EXPECT_EQ(ReadRegStringValueFromKey(L"Script", (destination.path() + L"\\0\\1").c_str(), HKEY_CURRENT_USER,
                                        buffer), 0u);
    EXPECT_EQ(Text(buffer), L"C:\\p\\hf41.exe");
    EXPECT_EQ(ReadRegStringValue(destination.get(), L"Top", buffer), 0u);
    EXPECT_EQ(Text(buffer), L"top value");
}

TEST(Registry, CopyRefusesNullSourceAndMissingKey) {
    TestRegistryKey destination(L"Software\\ZepTest\\CopyNowhere");
    EXPECT_EQ(RegCopyKeyW(nullptr, nullptr, destination.get()), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegCopyKeyW(HKEY_CURRENT_USER, L"Software\\ZepTest\\Absent", destination.get()),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

class Substitute : public ::testing::Test {
protected:
    TestRegistryKey key{L"Software\\ZepTest\\Vars"};
    DWORD Expand(std::wstring& text) { return SubstituteRegVariables(HKEY_CURRENT_USER, key.path().c_str(), text); }
};

TEST_F(Substitute, ExpandsEveryReferenceInPlace) {
    key.SetString(L"ProductRoot", L"C:\\P\\");
    key.SetString(L"A", L"a");
    key.SetString(L"B", L"b");
    const std::string before = ProcessTrace();
    std::wstring skin = L"%ProductRoot%skin";
    EXPECT_EQ(Expand(skin), 0u);
    EXPECT_EQ(skin, L"C:\\P\\skin");
    const std::string afterOne = ProcessTrace().substr(before.size());
    EXPECT_EQ(CountOf(afterOne, "\tpatch\tSubstituteRegVariables: "), 2u);
    EXPECT_NE(afterOne.find("SubstituteRegVariables: Current variable name: ProductRoot\r\n"), std::string::npos);
    EXPECT_NE(afterOne.find("SubstituteRegVariables: New value: C:\\P\\skin"), std::string::npos);

    std::wstring two = L"C:\\%A%\\x\\%B%";
    EXPECT_EQ(Expand(two), 0u);
    EXPECT_EQ(two, L"C:\\a\\x\\b");
    EXPECT_EQ(CountOf(ProcessTrace().substr(before.size() + afterOne.size()), "\tSubstituteRegVariables: "), 4u);
}

TEST_F(Substitute, ReferencesBroughtInByAValueAreExpandedToo) {
    key.SetString(L"Outer", L"[%Inner%]");
    key.SetString(L"Inner", L"in");
    std::wstring text = L"%Outer%!";
    EXPECT_EQ(Expand(text), 0u);
    EXPECT_EQ(text, L"[in]!");
}

TEST_F(Substitute, FailuresLeaveTheTextUnchanged) {
    key.SetString(L"Self", L"x%Self%");
    key.SetString(L"A", L"a");
    const size_t traced = ProcessTrace().size();
    std::wstring plain = L"no references";
    EXPECT_EQ(Expand(plain), 0u);
    EXPECT_EQ(ProcessTrace().size(), traced);
    EXPECT_EQ(plain, L"no references");

    std::wstring missing = L"%A%\\%Missing%";
    EXPECT_EQ(Expand(missing), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(missing, L"%A%\\%Missing%");

    for (std::wstring unclosed : {L"C:\\%A", L"abc%"}) {
        const std::wstring before = unclosed;
        EXPECT_EQ(Expand(unclosed), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(unclosed, before);
    }

    std::wstring self = L"%Self%";
    EXPECT_EQ(Expand(self), static_cast<DWORD>(ERROR_CIRCULAR_DEPENDENCY));
    EXPECT_EQ(self, L"%Self%");

    std::wstring any = L"%A%";
    EXPECT_EQ(SubstituteRegVariables(nullptr, L"x", any), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SubstituteRegVariables(HKEY_CURRENT_USER, nullptr, any), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
