#include "EventText.h"

namespace {

const wchar_t kVersionKey[] = L"Version";
const wchar_t* const kOutcomeKeys[] = {L"Prepare", L"AtRestart", L"InstallSuccess", L"InstallFail"};

std::wstring Text(const SectionMap& messages, const wchar_t* key) {
    const auto found = messages.find(key);
    return found == messages.end() ? std::wstring() : found->second;
}

}  // namespace

SectionMap DefaultEventMessages() {
    return SectionMap{
        {L"Version", L"Patch version:"},
        {L"Prepare", L"Preparing for installation of patches"},
        {L"AtRestart", L"Patches will be installed when the operating system restarts"},
        {L"InstallSuccess", L"Patches installed successfully"},
        {L"InstallFail", L"Cannot install patches"},
    };
}

std::wstring ComposeEventText(const SectionMap& messages, const std::wstring& version, int outcome,
                              const std::vector<std::wstring>& extraLines) {
    std::wstring text = Text(messages, kVersionKey) + L" " + version + L"\n";
    if (outcome >= kOutcomePrepare && outcome <= kOutcomeInstallFail) text += Text(messages, kOutcomeKeys[outcome]);
    text += extraLines.empty() ? L".\n" : L":\n";
    for (const std::wstring& line : extraLines) text += line + L"\n";
    return text;
}
