#pragma once
// The records the process's trace log has written, as "<TAG>\t<message>".
#include "diagnostics/TraceLog.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::string TraceBytes() {
    std::ifstream in(CTraceLog::Instance().FilePath().c_str(), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// Records of single-line messages written after the given offset.
inline std::vector<std::string> TraceRecordsSince(size_t offset) {
    std::vector<std::string> records;
    std::istringstream in(TraceBytes().substr(offset));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // hh:mm:ss.mmm \t tid \t TAG \t patch \t message
        const size_t firstTab = line.find('\t');
        if (firstTab == std::string::npos) continue;
        const size_t tagStart = line.find('\t', firstTab + 1);
        if (tagStart == std::string::npos) continue;
        const size_t tagEnd = line.find('\t', tagStart + 1);
        if (tagEnd == std::string::npos || line.compare(tagEnd, 7, "\tpatch\t") != 0) continue;
        records.push_back(line.substr(tagStart + 1, tagEnd - tagStart - 1) + "\t" + line.substr(tagEnd + 7));
    }
    return records;
}

// Position of the first element equal to wanted at or after from, or npos.
inline size_t FindFrom(const std::vector<std::string>& lines, const std::string& wanted, size_t from = 0) {
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i] == wanted) return i;
    return std::string::npos;
}

inline size_t CountOf(const std::vector<std::string>& lines, const std::string& wanted) {
    size_t count = 0;
    for (const std::string& line : lines) count += line == wanted;
    return count;
}

inline std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
}

// Empty when every wanted line appears, in this order; else what is missing.
inline std::string MissingInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    size_t from = 0;
    for (const std::string& line : wanted) {
        const size_t at = FindFrom(lines, line, from);
        if (at == std::string::npos) return "missing (in order): " + line + "\nin:\n" + Joined(lines);
        from = at + 1;
    }
    return std::string();
}
