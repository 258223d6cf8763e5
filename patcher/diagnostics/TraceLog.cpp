#include "TraceLog.h"

#include "TraceRecord.h"
#include "WideFormat.h"
#include "util/ProductEnvironment.h"
#include "util/UniqueHandle.h"

#include <windows.h>

#include <share.h>

#include <cstdarg>
#include <cstdio>

namespace {

const wchar_t kLogFileName[] = L"ZEPPatch.log";

std::wstring ReadTraceRoot() {
    std::vector<wchar_t> buffer;
    if (ReadProductEnvironmentValue(kTraceRootValue, buffer) != ERROR_SUCCESS) return std::wstring();
    return buffer.data();
}

// Shares nothing while writing: a second writer's open fails and its line is
// lost rather than interleaved mid-record. (_wfsopen rather than _wfopen_s,
// which the msvcrt.dll of Windows XP and Server 2003 lacks.)
UniqueStdioFile OpenForAppend(const std::wstring& path) {
    return UniqueStdioFile(_wfsopen(path.c_str(), L"at", _SH_DENYRW));
}

}  // namespace

CTraceLog& CTraceLog::Instance() {
    static CTraceLog* log = new CTraceLog(ReadTraceRoot());
    return *log;
}

CTraceLog::CTraceLog(std::wstring traceRoot) : traceRoot_(std::move(traceRoot)), filePath_(traceRoot_ + kLogFileName) {
    if (const UniqueStdioFile file = OpenForAppend(filePath_)) fputs("\n===ZEP Patcher trace file===\n", file.get());
}

void CTraceLog::Write(int level, const std::wstring& message) const {
    const UniqueStdioFile file = OpenForAppend(filePath_);
    if (!file) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const TraceTime time{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    fputs(TraceRecordPrefix(time, GetCurrentThreadId(), level).c_str(), file.get());
    const std::string bytes = ToTraceBytes(message);
    fwrite(bytes.data(), 1, bytes.size(), file.get());
}

void Trace(int level, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const std::wstring message = FormatWideV(format, args);
    va_end(args);
    CTraceLog::Instance().Write(level, message);
}

std::wstring GetTraceRoot() { return CTraceLog::Instance().TraceRoot(); }
