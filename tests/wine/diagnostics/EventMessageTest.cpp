// CEventMessage against Wine's registry and profile functions: where
// patcher.loc is looked for, what it yields, and the fall-back texts.
#include "EnvironmentKey.h"
#include "ScratchFolder.h"
#include "TraceFile.h"
#include "diagnostics/EventMessage.h"
#include "util/ErrorText.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

const char kBuiltInFailure[] = "Patch version: hf41\nCannot install patches.\n";

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class EventMessage : public ::testing::Test {
protected:
    void SetUp() override { traceStart_ = ProcessTrace().size(); }
    std::vector<std::string> Traced() const { return TraceRecordsSince(traceStart_); }

    // The usual product: skin folder below the product folder, English.
    static void StandardProduct() {
        SetEnvironment({{L"ProductRoot", L"C:\\P\\"}, {L"Skin", L"%ProductRoot%skin"}, {L"Localization", L"en"}});
    }

    size_t traceStart_ = 0;
};

TEST_F(EventMessage, SkinIsExpandedAndTheLocalizedSectionIsUsed) {
    StandardProduct();
    WriteTextFile(L"C:\\P\\skin\\loc\\en\\patcher.loc",
                  "[Other]\r\nVersion=wrong\r\n[PatchMessages]\r\nVersion=Fix:\r\nPrepare=Getting ready\r\n"
                  "AtRestart=Later\r\nInstallSuccess=Done\r\nInstallFail=Broken\r\n");
    const CEventMessage messages(L"hf41");
    EXPECT_EQ(messages.GetEventText(kOutcomePrepare), L"Fix: hf41\nGetting ready.\n");
    EXPECT_EQ(messages.GetEventText(kOutcomeAtRestart), L"Fix: hf41\nLater.\n");
    EXPECT_EQ(messages.GetEventText(kOutcomeInstallSuccess, {L"a", L"b"}), L"Fix: hf41\nDone:\na\nb\n");
    EXPECT_EQ(messages.GetEventText(kOutcomeInstallFail), L"Fix: hf41\nBroken.\n");
    EXPECT_EQ(messages.GetEventText(7), L"Fix: hf41\n.\n");
    const auto traced = Traced();
    EXPECT_EQ(MissingInOrder(traced, {"NTF\tCEventMessage::CEventMessage: Localization file path = "
                                      "C:\\P\\skin\\loc\\en\\patcher.loc",
                                      "NTF\tCEventMessage::CEventMessage: Localization map not empty. It will be used."}),
              "");
    EXPECT_EQ(CountOf(traced, "NTF\tCEventMessage::CEventMessage: Messages map empty. Fill it default strings."), 0u);
}

TEST_F(EventMessage, APartialFileIsTakenAsItIsWithoutBuiltInTexts) {
    StandardProduct();
    WriteTextFile(L"C:\\P\\skin\\loc\\en\\patcher.loc", "[PatchMessages]\r\nInstallFail=Failure\r\n");
    EXPECT_EQ(CEventMessage(L"2").GetEventText(kOutcomeInstallFail), L" 2\nFailure.\n");
    EXPECT_EQ(CEventMessage(L"2").GetEventText(kOutcomeInstallSuccess), L" 2\n.\n");
}

TEST_F(EventMessage, KeysAreCaseSensitive) {
    StandardProduct();
    WriteTextFile(L"C:\\P\\skin\\loc\\en\\patcher.loc", "[PatchMessages]\r\nversion=Ver\r\n");
    EXPECT_EQ(CEventMessage(L"hf41").GetEventText(kOutcomeInstallFail), L" hf41\n.\n");
    EXPECT_EQ(CountOf(Traced(), "NTF\tCEventMessage::CEventMessage: Localization map not empty. It will be used."), 1u);
}

TEST_F(EventMessage, MissingFileOrSectionGivesTheBuiltInTexts) {
    SetEnvironment({{L"ProductRoot", L"C:\\Q\\"}, {L"Skin", L"%ProductRoot%skin"}, {L"Localization", L"de"}});
    EXPECT_EQ(CEventMessage(L"hf41").GetEventText(kOutcomeInstallFail), Wide(kBuiltInFailure));
    WriteTextFile(L"C:\\Q\\skin\\loc\\de\\patcher.loc", "[Messages]\r\nInstallFail=x\r\n[PatchMessages]\r\n");
    EXPECT_EQ(CEventMessage(L"hf41").GetEventText(kOutcomeInstallSuccess, {L"a"}),
              L"Patch version: hf41\nPatches installed successfully:\na\n");
    const std::vector<std::string> onePass = {
        "NTF\tCEventMessage::CEventMessage: Localization file path = C:\\Q\\skin\\loc\\de\\patcher.loc",
        "NTF\tCEventMessage::CEventMessage: Localization map empty. Use default strungs",
        "NTF\tCEventMessage::CEventMessage: Messages map empty. Fill it default strings."};
    std::vector<std::string> twice = onePass;
    twice.insert(twice.end(), onePass.begin(), onePass.end());
    EXPECT_EQ(MissingInOrder(Traced(), twice), "");
}

TEST_F(EventMessage, RegistryFailuresAreTracedAndGiveTheBuiltInTexts) {
    const std::string notFound = "ERR\t" + FormatErrorTextA(ERROR_FILE_NOT_FOUND, "CEventMessage::CEventMessage");
    const std::string fallBack = "NTF\tCEventMessage::CEventMessage: Messages map empty. Fill it default strings.";
    const std::vector<EnvironmentValues> broken = {
        {{L"ProductRoot", L"C:\\P\\"}, {L"Localization", L"en"}},                                // no Skin
        {{L"ProductRoot", L"C:\\P\\"}, {L"Skin", L"%ProductRoot%skin"}},                         // no Localization
        {{L"Skin", L"%ProductRoot%skin"}, {L"Localization", L"en"}},                             // no ProductRoot
        {{L"ProductRoot", L"C:\\P\\"}, {L"Skin", L"%NoSuchValue%skin"}, {L"Localization", L"en"}},
    };
    for (const EnvironmentValues& values : broken) {
        SetEnvironment(values);
        SetUp();
        EXPECT_EQ(CEventMessage(L"hf41").GetEventText(kOutcomeInstallFail), Wide(kBuiltInFailure));
        const auto traced = Traced();
        EXPECT_EQ(MissingInOrder(traced, {notFound, fallBack}), "");
        EXPECT_EQ(CountOf(traced, notFound), 1u);
        for (const std::string& line : traced) EXPECT_EQ(line.find("Localization file path"), std::string::npos);
    }
    RemoveEnvironment();
    SetUp();
    EXPECT_EQ(CEventMessage(L"hf41").GetEventText(kOutcomeInstallFail), Wide(kBuiltInFailure));
    EXPECT_EQ(MissingInOrder(Traced(), {notFound, fallBack}), "");
}

TEST_F(EventMessage, ASkinThatRefersToItselfStillGivesTheBuiltInTexts) {
    SetEnvironment({{L"Skin", L"%Skin%x"}, {L"Localization", L"en"}});
    EXPECT_EQ(CEventMessage(L"hf41").GetEventText(kOutcomeInstallFail), Wide(kBuiltInFailure));
    EXPECT_EQ(CountOf(Traced(), "NTF\tCEventMessage::CEventMessage: Messages map empty. Fill it default strings."), 1u);
}

}  // namespace
