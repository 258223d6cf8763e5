#include "TraceRecord.h"

#include "TraceLevels.h"

#include <cstdio>

std::string TraceLevelTag(int level) {
    if (level == TL_WARNING) return "WRN";
    switch (level / 100 * 100) {
    case TL_ALWAYS: return "ALW";
    case TL_FATAL: return "FTL";
    case TL_DANGER: return "DNG";
    case TL_ERROR: return "ERR";
    case TL_IMPORTANT: return "IMP";
    case TL_NOTIFY: return "NTF";
    case TL_NOT_IMPORTANT: return "NOI";
    case TL_SPAM: return "SPM";
    case TL_ANNOYING: return "ANN";
    case TL_FRAME: return "FFR";
    default: break;
    }
    char number[20];
    std::snprintf(number, sizeof number, "%d", level);
    return number;
}

std::string TraceRecordPrefix(const TraceTime& time, unsigned long threadId, int level) {
    char prefix[128];
    std::snprintf(prefix, sizeof prefix, "\n%02d:%02d:%02d.%03d\t%03lx\t%s\t%s\t", time.hour, time.minute,
                  time.second, time.millisecond, threadId, TraceLevelTag(level).c_str(), "patch");
    return prefix;
}

std::string ToTraceBytes(const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text) {
        const auto code = static_cast<unsigned long>(c);
        bytes.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
    }
    return bytes;
}
