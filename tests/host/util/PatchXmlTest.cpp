#include "util/PatchXml.h"

#include <gtest/gtest.h>

namespace {

bool Scan(const std::wstring& xml, std::wstring& guid) { return ScanPatchGuid(xml.data(), xml.size(), guid); }

const wchar_t kGuid[] = L"{A623E528-4926-4E76-92A1-A9220E993BE6}";

TEST(PatchXml, GuidIsTheQuotedValueInUpperCase) {
    std::wstring guid = L"stale";
    ASSERT_TRUE(Scan(L"<MsiPatch xmlns=\"http://www.microsoft.com/msi/patch_applicability.xsd\" "
                     L"SchemaVersion=\"1.0.0.0\" PatchGUID=\"{a623e528-4926-4e76-92a1-a9220e993be6}\" "
                     L"MinMsiVersion=\"5\"><TargetProduct/></MsiPatch>",
                     guid));
    EXPECT_EQ(guid, kGuid);
}

TEST(PatchXml, AttributeNameMatchesInAnyCaseAndTheFirstOccurrenceWins) {
    std::wstring guid;
    ASSERT_TRUE(Scan(L"<a patchguid=\"{1}\"><b PATCHGUID=\"{2}\"/></a>", guid));
    EXPECT_EQ(guid, L"{1}");
    // Only ASCII letters change case.
    ASSERT_TRUE(Scan(L"PatchGuid=\"\u00e9x\u0444\"", guid));
    EXPECT_EQ(guid, L"\u00e9X\u0444");
}

TEST(PatchXml, CharactersBeforeTheOpeningQuoteAreSkipped) {
    std::wstring guid;
    ASSERT_TRUE(Scan(L"PatchGUID= \t'x' \"{ab}\" rest", guid));
    EXPECT_EQ(guid, L"{AB}");
}

TEST(PatchXml, MissingAttributeClearsTheGuidAndReportsAbsence) {
    std::wstring guid = L"stale";
    EXPECT_FALSE(Scan(L"<MsiPatch PatchGUID =\"{1}\"/>", guid));
    EXPECT_TRUE(guid.empty());
    EXPECT_FALSE(Scan(L"", guid));
    EXPECT_FALSE(ScanPatchGuid(nullptr, 5, guid));
}

TEST(PatchXml, UnclosedOrUnopenedValueKeepsWhatWasCollected) {
    std::wstring guid = L"stale";
    ASSERT_TRUE(Scan(L"PatchGUID=\"{abc", guid));
    EXPECT_EQ(guid, L"{ABC");
    ASSERT_TRUE(Scan(L"PatchGUID=abc", guid));
    EXPECT_TRUE(guid.empty());
    ASSERT_TRUE(Scan(L"PatchGUID=", guid));
    EXPECT_TRUE(guid.empty());
}

TEST(PatchXml, TextEndsAtTheFirstNulOrTheGivenLength) {
    std::wstring guid;
    EXPECT_FALSE(Scan(std::wstring(L"<a/>\0PatchGUID=\"{1}\"", 20), guid));
    const std::wstring text = L"PatchGUID=\"{12}\"";
    ASSERT_TRUE(ScanPatchGuid(text.data(), 13, guid));
    EXPECT_EQ(guid, L"{1");
    EXPECT_FALSE(ScanPatchGuid(text.data(), 9, guid));
}

}  // namespace
