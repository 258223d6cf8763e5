#pragma once
// Reading back what the process's trace log wrote: one parser of records,
// and the comparisons the tests make on them.
#include "TestText.h"

#include <string>
#include <vector>

// A file's bytes ("" when it cannot be read).
std::string ReadBytes(const std::wstring& path);

// The bytes the process's own trace log has written so far.
std::string ProcessTrace();

struct TraceLine {
    std::string tag;   // "NTF", "ERR", ...
    std::string text;  // the message after the component
};

// The records of the patch component in trace bytes. Each record starts
// with CR LF; a message of several lines is kept up to its first line break.
std::vector<TraceLine> TraceLinesIn(const std::string& bytes);

// The trace records this process writes from a given moment on.
class TraceCapture {
public:
    TraceCapture();
    std::string Raw() const;
    std::vector<TraceLine> Lines() const;
    // "TAG text" per record, for readable comparisons.
    std::vector<std::string> Tagged() const;

private:
    size_t start_;
};

// "TAG\ttext" per record written after the given offset of the trace file.
std::vector<std::string> TraceRecordsSince(size_t offset);

// Position of the first element equal to wanted at or after from, or npos.
size_t FindFrom(const std::vector<std::string>& lines, const std::string& wanted, size_t from = 0);
size_t CountOf(const std::vector<std::string>& lines, const std::string& wanted);
std::string Joined(const std::vector<std::string>& lines);
// Empty when every wanted line appears, in this order; else what is missing.
std::string MissingInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted);
