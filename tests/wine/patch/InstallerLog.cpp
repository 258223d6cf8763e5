#include "InstallerLog.h"

InstallerLog::InstallerLog()
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    m_previous = MsiSetExternalUIW(Handler, INSTALLLOGMODE_INFO, this);
}

InstallerLog::~InstallerLog() { MsiSetExternalUIW(m_previous, 0, nullptr); }

std::vector<std::wstring> InstallerLog::LinesStartingWith(const std::wstring& prefix) const
{
    std::vector<std::wstring> lines;
    for (const std::wstring& line : m_lines)
        if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
    return lines;
}

int WINAPI InstallerLog::Handler(LPVOID context, UINT type, LPCWSTR message)
{
    if ((type & 0xFF000000) != INSTALLMESSAGE_INFO || !message) return 0;
    auto* log = static_cast<InstallerLog*>(context);
    const std::wstring line = message;
    log->m_lines.push_back(line);
    if (log->m_hook) log->m_hook(line);
    if (!log->m_cancelAt.empty() && line.find(log->m_cancelAt) != std::wstring::npos) {
        log->m_cancelAt.clear();
        return IDCANCEL;
    }
    return 0;
}
