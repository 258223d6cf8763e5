#pragma once
// Reading back what the trace log wrote.
#include "diagnostics/TraceLog.h"

#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

inline size_t CountOf(const std::string& haystack, const std::string& needle) {
    size_t count = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
    return count;
}

// The bytes the process's own trace log has written so far.
inline std::string ProcessTrace() { return ReadBytes(CTraceLog::Instance().FilePath()); }
