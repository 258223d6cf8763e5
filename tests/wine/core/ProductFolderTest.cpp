// The product folder as the runner reads it from the product's environment key.
#include "EnvironmentKey.h"
#include "TestText.h"
#include "core/PatchRunner.h"
#include "util/ErrorText.h"
#include "util/ProductEnvironment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

void SetProductRoot(const wchar_t* value) {
    if (value) SetEnvironment({{kProductRootValue, value}});
    else SetEnvironment({});
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
    EXPECT_EQ(ThrownText([] { GetProductFolder(); }), FormatErrorTextA(ERROR_FILE_NOT_FOUND, "GetProductFolder"));
    RemoveEnvironment();
    EXPECT_EQ(ThrownText([] { GetProductFolder(); }).rfind("GetProductFolder: ", 0), 0u);
}

TEST(ProductFolder, RunnerFailsBeforeMakingAnyFolderWithoutTheProduct) {
    RemoveEnvironment();
    const std::string failure = ThrownText([] {
        CPatchRunner runner(boost::shared_ptr<CCMDParser>(new CCMDParser(L"/when now")), true, L"hf41");
    });
    EXPECT_EQ(failure.rfind("GetProductFolder: ", 0), 0u) << failure;
}

}  // namespace
