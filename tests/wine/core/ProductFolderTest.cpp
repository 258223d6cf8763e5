// The product folder as the runner reads it from the product's environment key.
#include "core/PatchRunner.h"
#include "util/ErrorText.h"
#include "util/ProductEnvironment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

void SetProductRoot(const wchar_t* value) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    if (value)
        RegSetValueExW(key, kProductRootValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

std::string FailureOf(void (*step)()) {
    try {
        step();
    } catch (const std::logic_error& failure) {
        return failure.what();
    }
    return "no failure";
}

TEST(ProductFolder, TrailingSeparatorIsKeptAndAMissingOneBecomesABackslash) {
    SetProductRoot(L"C:\\Program Files\\ZEP 8\\");
    EXPECT_EQ(GetProductFolder(), L"C:\\Program Files\\ZEP 8\\");
    SetProductRoot(L"C:\\Program Files\\ZEP 8/");
    EXPECT_EQ(GetProductFolder(), L"C:\\Program Files\\ZEP 8/");
    SetProductRoot(L"C:\\ZEP8");
    EXPECT_EQ(GetProductFolder(), L"C:\\ZEP8\\");
    SetProductRoot(L"");
    EXPECT_EQ(GetProductFolder(), L"\\");
}

TEST(ProductFolder, NoKeyOrNoValueFailsWithTheSystemText) {
    SetProductRoot(nullptr);
    EXPECT_EQ(FailureOf([] { GetProductFolder(); }), FormatErrorTextA(ERROR_FILE_NOT_FOUND, "GetProductFolder"));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey);
    EXPECT_EQ(FailureOf([] { GetProductFolder(); }).rfind("GetProductFolder: ", 0), 0u);
}

TEST(ProductFolder, RunnerFailsBeforeMakingAnyFolderWithoutTheProduct) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey);
    const std::string failure = FailureOf([] {
        CPatchRunner runner(boost::shared_ptr<CCMDParser>(new CCMDParser(L"/when now")), true, L"hf41");
    });
    EXPECT_EQ(failure.rfind("GetProductFolder: ", 0), 0u) << failure;
}

}  // namespace
