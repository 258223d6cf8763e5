#pragma once
// The event log texts in the product's language, from the product's
// patcher.loc, or the built-in English texts when it offers none.
#include "EventText.h"

#include <string>
#include <vector>

class CEventMessage {
public:
    // Loads [PatchMessages] of <Skin>\loc\<Localization>\patcher.loc. Never
    // throws: every failure is traced and answered with the built-in texts.
    explicit CEventMessage(const std::wstring& version);

    // The message for an outcome (EventOutcome) with optional extra lines.
    std::wstring GetEventText(int outcome) const;
    std::wstring GetEventText(int outcome, const std::vector<std::wstring>& extraLines) const;

private:
    void LoadLocalized();

    std::wstring version_;
    SectionMap messages_;
};
