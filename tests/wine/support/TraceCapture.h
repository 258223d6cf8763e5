#pragma once
// The trace records this process writes from a given moment on.
#include "TraceFile.h"

#include <regex>
#include <string>
#include <vector>

struct TraceLine {
    std::string tag;   // "NTF", "ERR", ...
    std::string text;  // the message after the component
};

class TraceCapture {
public:
    TraceCapture() : start_(ProcessTrace().size()) {}

    std::string Raw() const { return ProcessTrace().substr(start_); }

    std::vector<TraceLine> Lines() const {
        static const std::regex record("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\t[0-9a-f]+\\t(\\w+)\\tpatch\\t(.*)");
        std::vector<TraceLine> lines;
        const std::string raw = Raw();
        size_t at = 0;
        while ((at = raw.find("\r\n", at)) != std::string::npos) {
            at += 2;
            const size_t end = raw.find("\r\n", at);
            const std::string one = raw.substr(at, end == std::string::npos ? std::string::npos : end - at);
            std::smatch m;
            if (std::regex_match(one, m, record)) lines.push_back({m[1], m[2]});
        }
        return lines;
    }

    // "TAG text" per line, for readable comparisons.
    std::vector<std::string> Tagged() const {
        std::vector<std::string> out;
        for (const TraceLine& line : Lines()) out.push_back(line.tag + " " + line.text);
        return out;
    }

private:
    size_t start_;
};
