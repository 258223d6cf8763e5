#pragma once
// The texts of the event log entries: a version line, then one outcome
// sentence and the caller's extra lines.
#include "util/SectionMap.h"

#include <string>
#include <vector>

// Outcomes a run reports; other numbers compose a message without sentence.
enum EventOutcome : int {
    kOutcomePrepare = 0,         // "Prepare"
    kOutcomeAtRestart = 1,       // "AtRestart"
    kOutcomeInstallSuccess = 2,  // "InstallSuccess"
    kOutcomeInstallFail = 3,     // "InstallFail"
};

// The built-in English texts, used when the product supplies none.
SectionMap DefaultEventMessages();

// "<Version> <version>\n<outcome text>" then ":\n" and one line per extra
// line, or ".\n" without extra lines. A key missing from messages reads as
// an empty text.
std::wstring ComposeEventText(const SectionMap& messages, const std::wstring& version, int outcome,
                              const std::vector<std::wstring>& extraLines);
