// The embedded packages. This program carries the same PATCHDATA resources
// as hf41.exe; the tests run in a 64-bit prefix, so resource 102 is the one
// written out.
#include "TestData.h"
#include "TraceFile.h"
#include "core/PrivatePatchGuid.h"
#include "core/Unpacker.h"
#include "signature/check/ZelExceptions.h"
#include "util/ErrorText.h"
#include "util/Folders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

namespace {

using ::testing::ElementsAre;
using ::testing::SizeIs;

// The GUID-named folders lying in the temporary folder.
std::set<std::wstring> TempGuidFolders() {
    std::set<std::wstring> found;
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW((GetTempDirPath() + L"{*}").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) found.insert(entry.cFileName);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

class PackagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        signature_double::acceptAll = false;
        signature_double::calls.clear();
        signature_double::heldCalls.clear();
    }
    void TearDown() override {
        signature_double::acceptAll = false;
        signature_double::cannotStart = false;
    }
    ScratchFolder folder{L"zep-packages"};
};

TEST_F(PackagesTest, ResourceFor64BitWindowsIsWrittenByteForByte) {
    const std::wstring target = folder / L"hf41.msp";
    WriteBytes(target, std::string(300000, 'x'));  // longer than the package: must be replaced whole
    TraceCapture trace;
    const UniqueFileHandle held = CUnpacker().ExtractResourceToFile(target);
    ASSERT_TRUE(held);
    const std::string written = ReadBytes(target);
    EXPECT_EQ(written, ReadBytes(EmbeddedX64()));
    EXPECT_EQ(written.substr(0, 8), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    EXPECT_THAT(trace.Tagged(),
                ElementsAre("NTF CUnpacker::ExtractResourceToFile: Resource extracted to " + Narrow(target)));
}

TEST_F(PackagesTest, LockedOrMissingTargetFailsWithTheSystemText) {
    const std::wstring target = folder / L"hf41.msp";
    WriteBytes(target, "old");
    HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ThrownText([&] { (void)CUnpacker().ExtractResourceToFile(target); }),
              FormatErrorTextA(ERROR_SHARING_VIOLATION, "CUnpacker::ExtractResourceToFile"));
    CloseHandle(held);
    EXPECT_EQ(ReadBytes(target), "old");

    // A folder in the file's place cannot be opened for writing.
    CreateDirectoryW((folder / L"dir.msp").c_str(), nullptr);
    EXPECT_EQ(ThrownText([&] { (void)CUnpacker().ExtractResourceToFile(folder / L"dir.msp"); }),
              FormatErrorTextA(ERROR_ACCESS_DENIED, "CUnpacker::ExtractResourceToFile"));
}

TEST_F(PackagesTest, WrittenPackageIsHeldAgainstWritingRenamingAndDeletingUntilReleased) {
    const std::wstring target = folder / L"hf41.msp";
    const std::wstring moved = folder / L"moved.msp";
    UniqueFileHandle held = CUnpacker().ExtractResourceToFile(target);
    ASSERT_TRUE(held);
    const auto openError = [&](DWORD access, DWORD share) {
        UniqueFileHandle other(CreateFileW(target.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr));
        return other ? DWORD(ERROR_SUCCESS) : GetLastError();
    };
    const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    EXPECT_EQ(openError(GENERIC_WRITE, shareAll), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(openError(DELETE, shareAll), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(MoveFileW(target.c_str(), moved.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(DeleteFileW(target.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    // The installer only reads it, denying writers itself.
    EXPECT_EQ(openError(GENERIC_READ, FILE_SHARE_READ), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ReadBytes(target), ReadBytes(EmbeddedX64()));

    held.reset();
    EXPECT_EQ(openError(GENERIC_WRITE, 0), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(MoveFileW(target.c_str(), moved.c_str()));
}

TEST_F(PackagesTest, EachGuidReadingUsesItsOwnFolderAndLeavesNone) {
    const std::set<std::wstring> before = TempGuidFolders();
    TraceCapture trace;
    EXPECT_EQ(ReadPrivatePatchGUID(L"C:\\Product\\", false), kGuidA);
    EXPECT_EQ(ReadPrivatePatchGUID(L"C:\\Product\\", false), kGuidA);
    EXPECT_EQ(TempGuidFolders(), before);
    EXPECT_TRUE(signature_double::calls.empty());  // verify packages off: no check at all

    std::vector<std::string> extracted;
    for (const std::string& line : trace.Tagged())
        if (line.find("Resource extracted to ") != std::string::npos) extracted.push_back(line);
    ASSERT_THAT(extracted, SizeIs(2));
    EXPECT_NE(extracted[0], extracted[1]);
    const std::string prefix = "NTF CUnpacker::ExtractResourceToFile: Resource extracted to " + Narrow(GetTempDirPath());
    EXPECT_EQ(extracted[0].rfind(prefix, 0), 0u) << extracted[0];
    EXPECT_EQ(extracted[0].substr(extracted[0].size() - 10), "}\\hf41.msp");
}

TEST_F(PackagesTest, VerifiedPackageIsCheckedAgainstTheProductFolder) {
    signature_double::acceptAll = true;
    EXPECT_EQ(ReadPrivatePatchGUID(L"C:\\Product\\", true), kGuidA);
    ASSERT_THAT(signature_double::calls, SizeIs(1));
    EXPECT_EQ(signature_double::calls[0].first, L"C:\\Product\\");
    EXPECT_EQ(signature_double::calls[0].second.rfind(GetTempDirPath() + L"{", 0), 0u);
    // Checked through the copy held open, not through a new open of its path.
    EXPECT_THAT(signature_double::heldCalls, ElementsAre(true));
}

TEST_F(PackagesTest, UnsignedPackageIsRefusedWithTwoErrorLinesAndCleanedUp) {
    const std::set<std::wstring> before = TempGuidFolders();
    TraceCapture trace;
    EXPECT_EQ(ThrownText([] { ReadPrivatePatchGUID(L"C:\\Product\\", true); }),
              "CPatchRunner::GetPrivatePatchGUID invalid MSP signature.");
    EXPECT_EQ(TempGuidFolders(), before);
    std::vector<std::string> errors;
    for (const TraceLine& line : trace.Lines())
        if (line.tag == "ERR") errors.push_back(line.text);
    EXPECT_THAT(errors, ElementsAre("CPatchRunner::GetPrivatePatchGUID: MSP-patch not signed.",
                                    "CPatchRunner::GetPrivatePatchGUID: CPatchRunner::GetPrivatePatchGUID invalid "
                                    "MSP signature."));
}

TEST_F(PackagesTest, FailureOfAnotherKindPassesThroughWithoutTheCleanUpsTrace) {
    const std::set<std::wstring> before = TempGuidFolders();
    signature_double::cannotStart = true;
    TraceCapture trace;
    std::string caught = "(nothing thrown)";
    try {
        ReadPrivatePatchGUID(L"C:\\Product\\", true);
    } catch (const std::logic_error& failure) {
        caught = std::string("logic_error: ") + failure.what();
    } catch (const zel::RuntimeError& failure) {
        caught = failure.what();
    }
    signature_double::cannotStart = false;
    EXPECT_EQ(caught, "RuntimeError");
    for (const TraceLine& line : trace.Lines()) EXPECT_NE(line.tag, "ERR") << line.text;
    // What the reading left in the temporary folder goes with the test.
    for (const std::wstring& name : TempGuidFolders())
        if (!before.count(name)) RemoveTree(GetTempDirPath() + name);
}

}  // namespace
