// The handle owners: what counts as empty, what a reset leaves behind, and
// the process-information owner closing both handles.
#include "ScratchFolder.h"
#include "util/UniqueHandle.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// A handle whose closing is observable: an event, open elsewhere by name.
HANDLE NamedEvent(const wchar_t* name) { return CreateEventW(nullptr, TRUE, FALSE, name); }

bool EventExists(const wchar_t* name) {
    HANDLE probe = OpenEventW(SYNCHRONIZE, FALSE, name);
    if (!probe) return false;
    CloseHandle(probe);
    return true;
}

TEST(UniqueHandle, ResetClosesAndKeepsTheThreadsLastError) {
    UniqueKernelHandle event(NamedEvent(L"zep-owner-reset"));
    ASSERT_TRUE(event);
    SetLastError(ERROR_SHARING_VIOLATION);
    event.reset();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(event);
    EXPECT_FALSE(EventExists(L"zep-owner-reset"));
}

TEST(UniqueHandle, FileOwnersTakeNullAndInvalidAsEmpty) {
    // Neither is closed (CloseHandle on either would fail and set an error).
    for (HANDLE empty : {HANDLE(nullptr), INVALID_HANDLE_VALUE}) {
        SetLastError(0);
        {
            UniqueFileHandle file(empty);
            EXPECT_FALSE(file);
            UniqueFindHandle find(empty);
            EXPECT_FALSE(find);
        }
        EXPECT_EQ(GetLastError(), 0u);
    }
    UniqueFileHandle fresh;
    EXPECT_EQ(fresh.get(), INVALID_HANDLE_VALUE);
}

TEST(UniqueHandle, ReleaseHandsOverAndMoveTransfers) {
    UniqueKernelHandle first(NamedEvent(L"zep-owner-move"));
    UniqueKernelHandle second(std::move(first));
    EXPECT_FALSE(first);
    ASSERT_TRUE(second);
    HANDLE raw = second.release();
    EXPECT_FALSE(second);
    EXPECT_TRUE(EventExists(L"zep-owner-move"));  // released, so not closed
    CloseHandle(raw);
    EXPECT_FALSE(EventExists(L"zep-owner-move"));
}

TEST(UniqueProcessInformation, ClosesTheProcessAndThreadHandles) {
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    std::wstring line = L"cmd.exe /c exit 3";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HANDLE process = nullptr;
    HANDLE ownedProcess = nullptr;
    HANDLE ownedThread = nullptr;
    {
        UniqueProcessInformation info;
        ASSERT_TRUE(CreateProcessW(cmd.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   info.put()));
        WaitForSingleObject(info.process(), INFINITE);
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeProcess(info.process(), &code));
        EXPECT_EQ(code, 3u);
        // A duplicate outlives the owner: the owner's own handle must not.
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), info.process(), GetCurrentProcess(), &process, 0, FALSE,
                                    DUPLICATE_SAME_ACCESS));
        ownedProcess = info.process();
        ownedThread = info.thread();
        EXPECT_NE(ownedThread, nullptr);
    }
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(ownedProcess, &flags));
    EXPECT_FALSE(GetHandleInformation(ownedThread, &flags));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    CloseHandle(process);
}

TEST(UniqueStdioFile, ClosesTheStream) {
    const std::wstring path = TempPath(L"zep-owner-stdio.txt");
    {
        UniqueStdioFile file(_wfopen(path.c_str(), L"wb"));
        ASSERT_TRUE(file);
        fputs("x", file.get());
    }
    // Closed, so an exclusive open succeeds.
    HANDLE exclusive = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
    if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);
    DeleteFileW(path.c_str());
}

}  // namespace
