#include "TraceFile.h"
#include "util/OsBitness.h"
#include "util/Wow64FsRedirectionDisabler.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

bool IsWow64Process() {
    BOOL wow64 = FALSE;
    ::IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 != FALSE;
}

// Tests run in a 64-bit prefix unless ZEP_WINE_ARCH says win32.
bool PrefixIs32Bit() {
    wchar_t arch[16] = {};
    GetEnvironmentVariableW(L"ZEP_WINE_ARCH", arch, 16);
    return std::wstring(arch) == L"win32";
}

TEST(OsBitness, MatchesThePrefix) { EXPECT_EQ(IsOSx64(), !PrefixIs32Bit()); }

TEST(Wow64Guard, TracesBothEndsAndRevertsOnlyWhatItDisabled) {
    const size_t before = ProcessTrace().size();
    {
        CWow64FsRedirectionDisabler guard;
    }
    const std::string lines = ProcessTrace().substr(before);
    const std::string ctor = "CWow64FsRedirectionDisabler::CWow64FsRedirectionDisabler: ";
    const std::string dtor = "CWow64FsRedirectionDisabler::~CWow64FsRedirectionDisabler: ";
    EXPECT_NE(lines.find(ctor + "Start"), std::string::npos);
    EXPECT_NE(lines.find(ctor + "Finish"), std::string::npos);
    EXPECT_NE(lines.find(dtor + "Start"), std::string::npos);
    EXPECT_NE(lines.find(dtor + "Finish"), std::string::npos);
    if (IsWow64Process()) {
        // A 32-bit program on 64-bit Windows: redirection really goes off and on.
        EXPECT_NE(lines.find(ctor + "FS WOW64 redirection disabled TRUE"), std::string::npos);
        EXPECT_NE(lines.find(dtor + "FS WOW64 redirection enabled TRUE"), std::string::npos);
    } else {
        // Where the call exists but the process is not under WOW64 it fails,
        // and nothing is reverted.
        EXPECT_NE(lines.find(ctor + "FS WOW64 redirection disabled FALSE"), std::string::npos);
        EXPECT_EQ(lines.find("redirection enabled"), std::string::npos);
    }
}

TEST(Wow64Guard, WithoutASinkNothingIsTracedButRedirectionStillGoesOff) {
    const size_t before = ProcessTrace().size();
    bool disabled = false;
    {
        CWow64FsRedirectionDisabler guard(nullptr);
        disabled = guard.Disabled();
    }
    EXPECT_EQ(ProcessTrace().substr(before), "");
    EXPECT_EQ(disabled, IsWow64Process());
}

TEST(Wow64Guard, FileWrittenWhileDisabledLandsInTheNativeSystemFolder) {
    if (!IsWow64Process()) GTEST_SKIP() << "only a 32-bit program under WOW64 is redirected";
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring name = L"\\zep-wow64-probe.txt";
    {
        CWow64FsRedirectionDisabler guard;
        HANDLE file = CreateFileW((std::wstring(windows) + L"\\System32" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    // Seen without the guard, the native folder is reached as Sysnative.
    EXPECT_NE(GetFileAttributesW((std::wstring(windows) + L"\\Sysnative" + name).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((std::wstring(windows) + L"\\SysWOW64" + name).c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
