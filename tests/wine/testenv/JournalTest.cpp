// The stand-ins' shared log under concurrent writers: the patcher's process,
// orx.exe and the engine append to one tessel.log at the same moments.
#include "EnvironmentKey.h"
#include "ScratchFolder.h"
#include "TestProcess.h"
#include "TraceFile.h"
#include "testenv/standin/Journal.h"
#include "util/ProductEnvironment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

constexpr int kWriters = 6;
constexpr int kLinesEach = 150;

TEST(Journal, ConcurrentWritersLoseNoLine) {
    ScratchFolder product(L"zep-journal");
    SetEnvironment({{kProductRootValue, product.path() + L"\\"}});

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    UniqueProcessInformation writers[kWriters];
    for (int i = 0; i < kWriters; ++i) {
        std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --writer " + std::to_wstring(i);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessW(self, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   writers[i].put()));
    }
    for (const UniqueProcessInformation& writer : writers) EXPECT_EQ(WaitForExitCode(writer, 60000), 0u);

    const std::string journal = ReadBytes(product / L"tessel.log");
    for (int i = 0; i < kWriters; ++i)
        EXPECT_EQ(CountOf(journal, "] writer=" + std::to_string(i) + " line"), static_cast<size_t>(kLinesEach))
            << "writer " << i;
    EXPECT_EQ(CountOf(journal, "\r\n"), static_cast<size_t>(kWriters * kLinesEach));
    RemoveEnvironment();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wcscmp(argv[1], L"--writer") == 0) {
        const int writer = std::wcstol(argv[2], nullptr, 10);
        for (int line = 0; line < kLinesEach; ++line) JournalWrite("probe", "writer=%d line=%d", writer, line);
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
