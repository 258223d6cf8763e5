#include "ScratchFolder.h"
#include "TestText.h"
#include "TraceFile.h"
#include "diagnostics/TraceLog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

namespace {

// A scratch trace folder (with its trailing backslash) that starts empty.
std::wstring FreshFolder(const wchar_t* name) {
    const std::wstring folder = TempPath(name) + L"\\";
    DeleteFileW((folder + L"ZEPPatch.log").c_str());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

const char kHeader[] = "\r\n===ZEP Patcher trace file===\r\n";

TEST(TraceLog, HeaderThenRecordsWithCrLfAndLatin1Bytes) {
    const std::wstring folder = FreshFolder(L"zep-trace-records");
    CTraceLog log(folder);
    EXPECT_EQ(log.FilePath(), folder + L"ZEPPatch.log");
    log.Write(500, L"Start ZEP Patch hf41");
    log.Write(300, L"two\nlines");
    log.Write(1000, L"C:\\Caf\u00e9\\\u0416.msp");
    const std::string bytes = ReadBytes(log.FilePath());

    char thread[16];
    snprintf(thread, sizeof thread, "%03lx", GetCurrentThreadId());
    const std::string time = "\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d";
    const std::regex expected(std::string("\r\n===ZEP Patcher trace file===\r\n") +
                              "\r\n" + time + "\t" + thread + "\tNTF\tpatch\tStart ZEP Patch hf41" +
                              "\r\n" + time + "\t" + thread + "\tERR\tpatch\ttwo\r\nlines" +
                              "\r\n" + time + "\t" + thread + "\t1000\tpatch\tC:\\\\Caf\xe9\\\\\\?\\.msp");
    EXPECT_TRUE(std::regex_match(bytes, expected)) << bytes;
}

TEST(TraceLog, FolderIsJoinedWithoutSeparator) {
    const std::wstring folder = FreshFolder(L"zep-trace-join");
    const std::wstring bare = folder.substr(0, folder.size() - 1);
    DeleteFileW((bare + L"ZEPPatch.log").c_str());
    CTraceLog log(bare);
    log.Write(500, L"x");
    EXPECT_EQ(log.FilePath(), bare + L"ZEPPatch.log");
    EXPECT_EQ(ReadBytes(bare + L"ZEPPatch.log").substr(0, sizeof kHeader - 1), kHeader);
}

TEST(TraceLog, EachBuildAppendsAHeaderAndNothingIsTruncated) {
    const std::wstring folder = FreshFolder(L"zep-trace-runs");
    CTraceLog(folder).Write(500, L"first run");
    CTraceLog(folder).Write(500, L"second run");
    const std::string bytes = ReadBytes(folder + L"ZEPPatch.log");
    EXPECT_EQ(CountOf(bytes, kHeader), 2u);
    EXPECT_LT(bytes.find("first run"), bytes.rfind(kHeader));
    EXPECT_GT(bytes.find("second run"), bytes.rfind(kHeader));
}

TEST(TraceLog, LineIsDroppedSilentlyWhileAnotherWriterHoldsTheFile) {
    const std::wstring folder = FreshFolder(L"zep-trace-locked");
    CTraceLog log(folder);
    HANDLE held = CreateFileW(log.FilePath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    log.Write(500, L"lost line");
    CloseHandle(held);
    log.Write(500, L"kept line");
    const std::string bytes = ReadBytes(log.FilePath());
    EXPECT_EQ(bytes.find("lost line"), std::string::npos);
    EXPECT_NE(bytes.find("kept line"), std::string::npos);
}

TEST(TraceLog, MissingFolderLosesLinesWithoutComplaint) {
    CTraceLog log(L"C:\\no\\such\\folder\\");
    log.Write(500, L"nowhere");
    EXPECT_EQ(GetFileAttributesW(L"C:\\no\\such\\folder"), INVALID_FILE_ATTRIBUTES);
}

TEST(TraceLog, WithoutTheProductKeyTheBareNameInTheCurrentFolderIsUsed) {
    // This program's prefix has no product environment key.
    EXPECT_EQ(GetTraceRoot(), L"");
    EXPECT_EQ(CTraceLog::Instance().FilePath(), L"ZEPPatch.log");
    wchar_t current[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
    const std::wstring file = std::wstring(current) + L"\\ZEPPatch.log";
    const size_t before = ReadBytes(file).size();
    Trace(TL_NOTIFY, L"%s: bare name", L"Op");
    EXPECT_NE(ReadBytes(file).substr(before).find("\tNTF\tpatch\tOp: bare name"), std::string::npos);
}

TEST(TraceLog, TraceFormatsWithWindowsConventions) {
    const size_t before = ProcessTrace().size();
    Trace(TL_WARNING, L"%s: wide %s narrow %S number %d hex %x", L"Op", L"w", "n", -5, 255u);
    EXPECT_NE(ProcessTrace().substr(before).find("\tWRN\tpatch\tOp: wide w narrow n number -5 hex ff"),
              std::string::npos);
}

}  // namespace
