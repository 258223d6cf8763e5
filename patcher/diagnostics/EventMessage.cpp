#include "EventMessage.h"

#include "TraceLog.h"
#include "util/ConfigManager.h"
#include "util/ErrorText.h"
#include "util/ProductEnvironment.h"
#include "util/Registry.h"

#include <windows.h>

#include <exception>

namespace {

const wchar_t kName[] = L"CEventMessage::CEventMessage";
const wchar_t kSection[] = L"PatchMessages";

std::wstring ReadEnvironmentValue(const wchar_t* name) {
    std::vector<wchar_t> value;
    const DWORD error = ReadProductEnvironmentValue(name, value);
    ThrowIfFailed(error, kName);
    return value.data();
}

}  // namespace

CEventMessage::CEventMessage(const std::wstring& version) : version_(version) {
    try {
        LoadLocalized();
    } catch (const std::exception& failure) {
        Trace(TL_ERROR, L"%S", failure.what());
    }
    if (messages_.empty()) {
        Trace(TL_NOTIFY, L"%s: Messages map empty. Fill it default strings.", kName);
        messages_ = DefaultEventMessages();
    }
}

void CEventMessage::LoadLocalized() {
    std::wstring skin = ReadEnvironmentValue(kSkinValue);
    const DWORD error = SubstituteRegVariables(HKEY_LOCAL_MACHINE, kProductEnvironmentKey, skin);
    ThrowIfFailed(error, kName);
    const std::wstring localization = ReadEnvironmentValue(kLocalizationValue);
    const std::wstring path = skin + L"\\loc\\" + localization + L"\\patcher.loc";
    Trace(TL_NOTIFY, L"%s: Localization file path = %s", kName, path.c_str());

    SectionMap localized;
    CConfigManager(path.c_str()).GetSection(kSection, localized);
    if (localized.empty()) {
        Trace(TL_NOTIFY, L"%s: Localization map empty. Use default strungs", kName);
        return;
    }
    Trace(TL_NOTIFY, L"%s: Localization map not empty. It will be used.", kName);
    // Used as it comes: keys the file lacks read as empty texts.
    messages_.swap(localized);
}

std::wstring CEventMessage::GetEventText(int outcome) const { return GetEventText(outcome, {}); }

std::wstring CEventMessage::GetEventText(int outcome, const std::vector<std::wstring>& extraLines) const {
    return ComposeEventText(messages_, version_, outcome, extraLines);
}
