#pragma once
// The parts of a trace record that do not depend on Windows: the level tag,
// the record prefix and the 8-bit form of the text as it lands in the file.
#include <string>

struct TraceTime {
    int hour;
    int minute;
    int second;
    int millisecond;
};

// "NTF", "ERR", ... or the level itself in decimal when it has no tag.
std::string TraceLevelTag(int level);

// "\nhh:mm:ss.mmm\t<tid>\t<tag>\tpatch\t", cut to the 127 characters that the
// record buffer holds.
std::string TraceRecordPrefix(const TraceTime& time, unsigned long threadId, int level);

// Characters up to U+00FF become one byte of the same value, others '?'.
std::string ToTraceBytes(const std::wstring& text);
