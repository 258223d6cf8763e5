#include "ConfigManager.h"

#include "ErrorText.h"
#include "SectionBlock.h"
#include "diagnostics/TraceLog.h"

#include <windows.h>

#include <vector>

namespace {

const wchar_t kGetSection[] = L"CConfigManager::GetSection";
const wchar_t kSetSection[] = L"CConfigManager::SetSection";

}  // namespace

CConfigManager::CConfigManager(const wchar_t* path) {
    if (!path) ThrowWindowsError(ERROR_INVALID_PARAMETER, L"CConfigManager::CConfigManager");
    path_ = path;
}

void CConfigManager::GetSection(const wchar_t* section, SectionMap& out) const {
    if (!section) ThrowWindowsError(ERROR_INVALID_PARAMETER, kGetSection);
    out.clear();
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD copied = 0;
    // The system signals a truncated block by copying exactly size - 2 characters.
    do {
        buffer.assign(buffer.size() * 2, L'\0');
        const DWORD size = static_cast<DWORD>(buffer.size());
        Trace(TL_NOTIFY, L"%s: New buffer size for ini-section = %d chars", kGetSection,
              static_cast<int>(size));
        copied = GetPrivateProfileSectionW(section, buffer.data(), size, path_.c_str());
    } while (copied == buffer.size() - 2);
    ParseSectionBlock(buffer.data(), copied < buffer.size() ? copied + 1 : buffer.size(), out);
}

void CConfigManager::SetSection(const wchar_t* section, const SectionMap& in) const {
    if (!section) ThrowWindowsError(ERROR_INVALID_PARAMETER, kSetSection);
    const std::wstring block = BuildSectionBlock(in);
    Trace(TL_NOTIFY, L"%s: Set section '%s' in config file %s", kSetSection, section,
          path_.c_str());
    if (!WritePrivateProfileSectionW(section, block.c_str(), path_.c_str()))
        ThrowWindowsError(GetLastError(), kSetSection);
}
