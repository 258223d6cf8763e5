#pragma once
// The trace file ZEPPatch.log in the product's trace folder. Every line is
// appended with its own open-write-close, so each is on disk when Trace returns.
#include "TraceLevels.h"

#include <string>

class CTraceLog {
public:
    // The process's single trace log, built on first use and never destroyed.
    static CTraceLog& Instance();

    // Builds a log over a given trace folder and writes the run header.
    explicit CTraceLog(std::wstring traceRoot);

    void Write(int level, const std::wstring& message) const;

    const std::wstring& TraceRoot() const { return traceRoot_; }
    const std::wstring& FilePath() const { return filePath_; }

private:
    std::wstring traceRoot_;
    std::wstring filePath_;
};

// Writes one trace record: level, then a wide format ("%s" wide, "%S" narrow).
void Trace(int level, const wchar_t* format, ...);

// The trace folder exactly as read from TraceRoot, or empty.
std::wstring GetTraceRoot();
