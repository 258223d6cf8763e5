#include "PolicySandbox.h"
#include "TraceFile.h"
#include "state/LegacyFixActions.h"
#include "util/ErrorText.h"

#include <windows.h>
#include <shlwapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::ElementsAre;

const wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\TLIF";
const wchar_t kParametersKey[] = L"SYSTEM\\CurrentControlSet\\Services\\TLIF\\Parameters";

struct RawValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = 0;
    std::vector<BYTE> data;
};

RawValue ReadCdIdDisabled() {
    RawValue value;
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kParametersKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return value;
    DWORD size = 64;
    value.data.resize(size);
    value.status = RegQueryValueExW(key.get(), L"CD_ID_Disabled", nullptr, &value.type, value.data.data(), &size);
    value.data.resize(value.status == ERROR_SUCCESS ? size : 0);
    return value;
}

class LegacyFixActionsTest : public ::testing::Test {
protected:
    LegacyFixActionsTest() { SHDeleteKeyW(HKEY_LOCAL_MACHINE, kServiceKey); }
    ~LegacyFixActionsTest() override { SHDeleteKeyW(HKEY_LOCAL_MACHINE, kServiceKey); }
};

TEST_F(LegacyFixActionsTest, Hf27AppliesThenRollsBackTheFilterSetting) {
    TraceCapture applied;
    ApplyHf27Actions(L"hf27");
    RawValue value = ReadCdIdDisabled();
    ASSERT_EQ(value.status, ERROR_SUCCESS);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value.data, (std::vector<BYTE>{1, 0, 0, 0}));
    EXPECT_THAT(applied.Tagged(), ElementsAre("NTF ApplyHf27Actions: Apply hf27 custom actions.",
                                              "NTF ApplyHf27Actions: Applied succesfully."));

    for (int round = 0; round < 2; ++round) {
        TraceCapture rolledBack;
        RollbackHf27Actions(L"hf27");
        value = ReadCdIdDisabled();
        ASSERT_EQ(value.status, ERROR_SUCCESS);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_NONE));
        EXPECT_TRUE(value.data.empty());
        EXPECT_THAT(rolledBack.Tagged(), ElementsAre("NTF RollbackHf27Actions: Rollback hf27 custom actions.",
                                                     "NTF RollbackHf27Actions: Rollback succesfully done."));
    }
}

TEST_F(LegacyFixActionsTest, OtherIdentifiersDoNothing) {
    TraceCapture trace;
    for (const wchar_t* id : {L"HF27", L"hf27 ", L" hf27", L"hf41", L""}) {
        ApplyHf27Actions(id);
        RollbackHf27Actions(id);
    }
    EXPECT_FALSE(KeyExists(kServiceKey));
    EXPECT_TRUE(trace.Tagged().empty());

    // Nor do they touch a value that is there.
    ApplyHf27Actions();
    ApplyHf27Actions(L"HF27");
    RollbackHf27Actions(L"hf27 ");
    EXPECT_EQ(ReadCdIdDisabled().type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(LegacyFixActionsTest, RollbackWithoutTheKeyFailsAndDoesNotCreateIt) {
    TraceCapture trace;
    EXPECT_EQ(ThrownText([] { RollbackHf27Actions(L"hf27"); }), ErrorText(ERROR_FILE_NOT_FOUND, "RollbackHf27Actions"));
    EXPECT_FALSE(KeyExists(kParametersKey));
    EXPECT_FALSE(KeyExists(kServiceKey));
    EXPECT_THAT(trace.Tagged(), ElementsAre("NTF RollbackHf27Actions: Rollback hf27 custom actions."));
}

TEST_F(LegacyFixActionsTest, ApplyThatCannotCreateTheKeyFails) {
    CreateVolatileKey(kServiceKey);
    TraceCapture trace;
    EXPECT_EQ(ThrownText([] { ApplyHf27Actions(L"hf27"); }),
              ErrorText(ERROR_CHILD_MUST_BE_VOLATILE, "ApplyHf27Actions"));
    EXPECT_FALSE(KeyExists(kParametersKey));
    EXPECT_THAT(trace.Tagged(), ElementsAre("NTF ApplyHf27Actions: Apply hf27 custom actions."));
}

}  // namespace
