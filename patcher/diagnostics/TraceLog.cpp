#include "TraceLog.h"

#include "TraceRecord.h"
#include "WideFormat.h"
#include "util/ProductEnvironment.h"
#include "util/Registry.h"
#include "util/UniqueHandle.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

const wchar_t kLogFileName[] = L"ZEPPatch.log";

std::wstring ReadTraceRoot() {
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductEnvironmentKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::wstring();
    std::vector<wchar_t> buffer;
    if (ReadRegStringValue(key.get(), kTraceRootValue, buffer) != ERROR_SUCCESS) return std::wstring();
    return buffer.data();
}

// The secure open shares nothing while writing: a second writer's open fails
// and its line is lost rather than interleaved mid-record.
FILE* OpenForAppend(const std::wstring& path) {
    FILE* file = nullptr;
    if (_wfopen_s(&file, path.c_str(), L"at") != 0) return nullptr;
    return file;
}

}  // namespace

CTraceLog& CTraceLog::Instance() {
    static CTraceLog* log = new CTraceLog(ReadTraceRoot());
    return *log;
}

CTraceLog::CTraceLog(std::wstring traceRoot) : traceRoot_(std::move(traceRoot)), filePath_(traceRoot_ + kLogFileName) {
    if (FILE* file = OpenForAppend(filePath_)) {
        fputs("\n===ZEP Patcher trace file===\n", file);
        fclose(file);
    }
}

void CTraceLog::Write(int level, const std::wstring& message) const {
    FILE* file = OpenForAppend(filePath_);
    if (!file) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const TraceTime time{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    fputs(TraceRecordPrefix(time, GetCurrentThreadId(), level).c_str(), file);
    const std::string bytes = ToTraceBytes(message);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

void Trace(int level, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const std::wstring message = FormatWideV(format, args);
    va_end(args);
    CTraceLog::Instance().Write(level, message);
}

std::wstring GetTraceRoot() { return CTraceLog::Instance().TraceRoot(); }
