#include "TestData.h"
#include "TraceFile.h"
#include "util/ErrorText.h"
#include "util/Folders.h"
#include "util/DllSearch.h"
#include "util/Guid.h"
#include "util/ModulePath.h"
#include "util/PatchPackages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

TEST(CreateDirRecurs, CreatesEveryMissingLevelWithoutTracing) {
    RemoveTree(L"C:\\zepA");
    TraceCapture trace;
    EXPECT_EQ(CreateDirRecurs(L"C:\\zepA\\B\\C"), 0u);
    EXPECT_TRUE(Exists(L"C:\\zepA\\B\\C"));
    EXPECT_EQ(CreateDirRecurs(L"C:\\zepA\\B\\C"), 0u);  // already there
    EXPECT_EQ(CreateDirRecurs(L"C:\\zepA\\B\\C\\"), 0u);
    EXPECT_THAT(trace.Lines(), IsEmpty());
    RemoveTree(L"C:\\zepA");
    EXPECT_EQ(CreateDirRecurs(nullptr), static_cast<unsigned long>(ERROR_INVALID_PARAMETER));
}

TEST(CreateDirRecurs, PathWithoutBackslashIsRefusedAndItsErrorTravelsUp) {
    TraceCapture trace;
    // Q: is no drive: every level fails with "path not found" down to "Q:".
    EXPECT_EQ(CreateDirRecurs(L"Q:\\x\\y"), static_cast<unsigned long>(ERROR_BAD_PATHNAME));
    EXPECT_THAT(trace.Tagged(), ElementsAre("ERR CreateDirRecurs: incorrect path Q:"));
}

TEST(CreateDirRecurs, OtherFirstErrorIsReturnedWithoutATraceLine) {
    TraceCapture trace;
    // A character no file name may hold: refused by the first attempt.
    EXPECT_EQ(CreateDirRecurs(L"C:\\zep<name"), static_cast<unsigned long>(ERROR_INVALID_NAME));
    EXPECT_FALSE(Exists(L"C:\\zep<name"));
    EXPECT_THAT(trace.Lines(), IsEmpty());
}

TEST(CreateDirRecurs, FailedRetryIsTracedWithTheSystemText) {
    ScratchFolder folder(L"zep-mkdir");
    WriteBytes(folder / L"file", "x");
    TraceCapture trace;
    // The parent "file" exists (as a file), so the retry below it fails again.
    const unsigned long error = CreateDirRecurs((folder / L"file\\sub\\leaf").c_str());
    EXPECT_NE(error, 0u);
    EXPECT_THAT(trace.Tagged(), ElementsAre("ERR " + Narrow(FormatErrorText(error, L"CreateDirRecurs"))));
    EXPECT_FALSE(Exists(folder / L"file\\sub"));
}

TEST(Folders, TempPathEndsInABackslashAndMatchesTheSystem) {
    wchar_t system[MAX_PATH];
    GetTempPathW(MAX_PATH, system);
    const std::wstring temp = GetTempDirPath();
    EXPECT_EQ(temp, system);
    EXPECT_EQ(temp.back(), L'\\');
}

TEST(Folders, DeleteRemovesATreeAndReportsAMissingOne) {
    ScratchFolder folder(L"zep-delete");
    CreateDirRecurs((folder / L"a\\b").c_str());
    WriteBytes(folder / L"a\\b\\f.txt", "x");
    TraceCapture trace;
    EXPECT_TRUE(DeleteDirRecurs(folder / L"a"));
    EXPECT_FALSE(Exists(folder / L"a"));
    EXPECT_THAT(trace.Lines(), IsEmpty());
    EXPECT_FALSE(DeleteDirRecurs(folder / L"a"));
    EXPECT_THAT(trace.Tagged(),
                ElementsAre("ERR DeleteDirRecurs: Cann't delete directory " + Narrow(folder / L"a")));
}

TEST(Folders, WindowsDirComesFromTheEnvironment) {
    std::wstring dir;
    EXPECT_EQ(GetWindowsDir(dir), 0);
    EXPECT_EQ(dir, _wgetenv(L"windir"));
    EXPECT_FALSE(dir.empty());
    const std::wstring saved = dir;
    ASSERT_EQ(_wputenv(L"windir="), 0);  // removes the variable
    ASSERT_EQ(_wgetenv(L"windir"), nullptr);
    std::wstring missing;
    EXPECT_EQ(GetWindowsDir(missing), 0);
    EXPECT_TRUE(missing.empty());
    _wputenv((L"windir=" + saved).c_str());
}

TEST(FindPatchPackages, ListsPlainFilesOnlyAndAppends) {
    ScratchFolder folder(L"zep-find");
    WriteBytes(folder / L"a.msp", "a");
    WriteBytes(folder / L"b.msp", "b");
    WriteBytes(folder / L"notes.txt", "n");
    CreateDirectoryW((folder / L"x.msp").c_str(), nullptr);
    std::vector<std::wstring> names{L"kept"};
    FindPatchPackages(folder.path(), names, L"C:\\unused\\", false);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], L"kept");
    EXPECT_THAT(std::vector<std::wstring>(names.begin() + 1, names.end()), UnorderedElementsAre(L"a.msp", L"b.msp"));

    std::vector<std::wstring> none;
    FindPatchPackages(folder / L"absent", none, L"", false);
    EXPECT_TRUE(none.empty());
}

TEST(FindPatchPackages, WithCheckingAnUnsignedPackageIsLeftOut) {
    ScratchFolder folder(L"zep-find-signed");
    PlacePackage(PackageA(), folder / L"signed.msp", true);
    PlacePackage(PackageA(), folder / L"unsigned.msp", false);
    signature_double::calls.clear();
    std::vector<std::wstring> names;
    FindPatchPackages(folder.path(), names, L"C:\\Product\\", true);
    EXPECT_THAT(names, ElementsAre(L"signed.msp"));
    EXPECT_THAT(signature_double::calls,
                UnorderedElementsAre(std::make_pair(std::wstring(L"C:\\Product\\"), folder / L"signed.msp"),
                                     std::make_pair(std::wstring(L"C:\\Product\\"), folder / L"unsigned.msp")));
}

TEST(ErrorText, SystemTextOnOneLineOrUnknownError) {
    const std::string denied = FormatErrorTextA(ERROR_ACCESS_DENIED, "X");
    ASSERT_EQ(denied.rfind("X: ", 0), 0u);
    EXPECT_GT(denied.size(), 3u);
    EXPECT_EQ(denied.find_first_of("\r\n"), std::string::npos) << denied;
    EXPECT_NE(denied, "X: Unknown error.");
    EXPECT_EQ(FormatErrorTextA(0x2000ABCD, "X"), "X: Unknown error.");
    EXPECT_EQ(FormatErrorText(0x2000ABCD, L"X"), L"X: Unknown error.");
    EXPECT_EQ(Narrow(FormatErrorText(ERROR_ACCESS_DENIED, L"X")), denied);
}

TEST(CrtProc, MissingProgramGivesFileNotFoundAndTwoTraceLines) {
    std::wstring command = L"zep-no-such-program.exe /x";
    PROCESS_INFORMATION info{};
    TraceCapture trace;
    EXPECT_EQ(CrtProc(nullptr, &command[0], nullptr, info), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(info.hProcess, nullptr);
    EXPECT_EQ(info.hThread, nullptr);
    EXPECT_THAT(trace.Tagged(), ElementsAre("ERR " + Narrow(FormatErrorText(ERROR_FILE_NOT_FOUND, L"CrtProc")),
                                            "ERR Command line: zep-no-such-program.exe /x"));
}

TEST(CrtProc, StartsInTheGivenFolderAndHandsOverTheHandles) {
    ScratchFolder folder(L"zep-crtproc");
    std::wstring command = L"cmd.exe /c echo here> marker.txt & exit 7";
    UniqueProcessInformation process;
    ASSERT_EQ(CrtProc(nullptr, &command[0], folder.path().c_str(), *process.put()), 0u);
    EXPECT_EQ(WaitForExitCode(process), 7u);
    EXPECT_TRUE(Exists(folder / L"marker.txt"));
}

TEST(CrtProc, ApplicationNameRunsThatFileWithTheCommandLineUnchanged) {
    // The head of the line names no real program; with an application name it
    // is only passed on, never looked up.
    ScratchFolder folder(L"zep-crtproc-app");
    const std::wstring cmd = SystemFilePath(L"cmd.exe");
    ASSERT_FALSE(cmd.empty());
    std::wstring command = L"zep-not-searched.exe /c echo here> line.txt & exit 9";
    UniqueProcessInformation process;
    ASSERT_EQ(CrtProc(cmd.c_str(), &command[0], folder.path().c_str(), *process.put()), 0u);
    EXPECT_EQ(WaitForExitCode(process), 9u);
    EXPECT_TRUE(Exists(folder / L"line.txt"));
}

TEST(SystemFilePath, NamesAFileInTheSystemFolder) {
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_EQ(SystemFilePath(L"msiexec.exe"), std::wstring(system) + L"\\msiexec.exe");
    EXPECT_NE(GetFileAttributesW(SystemFilePath(L"kernel32.dll").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(DllSearch, RestrictedSearchSkipsTheCurrentFolderButTakesAllowedFolders) {
    // A copy of a system DLL under a name nothing else has, planted in the
    // current folder: found there by a plain search, not after the restriction.
    ScratchFolder planted(L"zep-dll-planted");
    ScratchFolder allowed(L"zep-dll-allowed");
    const std::wstring source = SystemFilePath(L"version.dll");
    ASSERT_TRUE(CopyFileW(source.c_str(), (planted / L"zepplant.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(source.c_str(), (allowed / L"zepallow.dll").c_str(), FALSE));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(planted.path().c_str()));

    HMODULE before = LoadLibraryW(L"zepplant.dll");
    EXPECT_NE(before, nullptr);
    if (before) FreeLibrary(before);

    RestrictDllSearch();
    HMODULE after = LoadLibraryW(L"zepplant.dll");
    EXPECT_EQ(after, nullptr);
    if (after) FreeLibrary(after);
    EXPECT_EQ(LoadLibraryW(L"zepallow.dll"), nullptr);
    AllowDllFolder(allowed.path());
    HMODULE taken = LoadLibraryW(L"zepallow.dll");
    EXPECT_NE(taken, nullptr);
    if (taken) FreeLibrary(taken);
    HMODULE system = LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr);
    if (system) FreeLibrary(system);
    SetCurrentDirectoryW(previous);
}

TEST(Guid, NewGuidsAreBracedLowerCaseAndDistinct) {
    const std::wstring first = NewGuidString();
    const std::wstring second = NewGuidString();
    ASSERT_EQ(first.size(), 38u);
    EXPECT_EQ(first.front(), L'{');
    EXPECT_EQ(first.back(), L'}');
    EXPECT_EQ(first[9], L'-');
    EXPECT_TRUE(std::none_of(first.begin(), first.end(), [](wchar_t c) { return c >= L'A' && c <= L'F'; }));
    EXPECT_NE(first, second);
}

TEST(ModulePath, FullPathAndFileName) {
    wchar_t system[MAX_PATH];
    GetModuleFileNameW(nullptr, system, MAX_PATH);
    EXPECT_EQ(GetModuleFilePath(), system);
    EXPECT_EQ(GetModuleFileNameOnly(), L"util_wine_tests.exe");
}

}  // namespace
