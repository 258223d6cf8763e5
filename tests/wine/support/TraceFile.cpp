#include "TraceFile.h"

#include "diagnostics/TraceLog.h"

#include <fstream>
#include <regex>
#include <sstream>

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string ProcessTrace() { return ReadBytes(CTraceLog::Instance().FilePath()); }

std::vector<TraceLine> TraceLinesIn(const std::string& bytes) {
    // hh:mm:ss.mmm \t thread \t TAG \t patch \t message
    static const std::regex record("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\t[0-9a-f]+\\t(\\w+)\\tpatch\\t(.*)");
    std::vector<TraceLine> lines;
    size_t at = 0;
    while (at <= bytes.size()) {
        size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) end = bytes.size();
        std::smatch m;
        const std::string one = bytes.substr(at, end - at);
        if (std::regex_match(one, m, record)) lines.push_back({m[1], m[2]});
        at = end + 2;
    }
    return lines;
}

TraceCapture::TraceCapture() : start_(ProcessTrace().size()) {}

std::string TraceCapture::Raw() const { return ProcessTrace().substr(start_); }

std::vector<TraceLine> TraceCapture::Lines() const { return TraceLinesIn(Raw()); }

std::vector<std::string> TraceCapture::Tagged() const {
    std::vector<std::string> out;
    for (const TraceLine& line : Lines()) out.push_back(line.tag + " " + line.text);
    return out;
}

std::vector<std::string> TraceRecordsSince(size_t offset) {
    std::vector<std::string> records;
    for (const TraceLine& line : TraceLinesIn(ProcessTrace().substr(offset))) records.push_back(line.tag + "\t" + line.text);
    return records;
}

size_t FindFrom(const std::vector<std::string>& lines, const std::string& wanted, size_t from) {
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i] == wanted) return i;
    return std::string::npos;
}

size_t CountOf(const std::vector<std::string>& lines, const std::string& wanted) {
    size_t count = 0;
    for (const std::string& line : lines) count += line == wanted;
    return count;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
}

std::string MissingInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    size_t from = 0;
    for (const std::string& line : wanted) {
        const size_t at = FindFrom(lines, line, from);
        if (at == std::string::npos) return "missing (in order): " + line + "\nin:\n" + Joined(lines);
        from = at + 1;
    }
    return std::string();
}
