#pragma once
// Captures the installer's information messages through an external UI
// handler, as a log file would show them. The handler can also answer a
// message with a cancel, as a user pressing Cancel would.
#include <windows.h>
#include <msi.h>

#include <functional>
#include <string>
#include <vector>

class InstallerLog {
public:
    InstallerLog();
    ~InstallerLog();
    InstallerLog(const InstallerLog&) = delete;
    InstallerLog& operator=(const InstallerLog&) = delete;

    // Every information line received so far.
    const std::vector<std::wstring>& Lines() const { return m_lines; }
    // The lines that begin with the prefix.
    std::vector<std::wstring> LinesStartingWith(const std::wstring& prefix) const;
    void Clear() { m_lines.clear(); }

    // Answers IDCANCEL to the first line containing the text.
    void CancelAt(const std::wstring& text) { m_cancelAt = text; }
    // Runs while a line is being handled (e.g. to log again from inside).
    void OnLine(std::function<void(const std::wstring&)> hook) { m_hook = std::move(hook); }

private:
    static int WINAPI Handler(LPVOID context, UINT type, LPCWSTR message);

    std::vector<std::wstring> m_lines;
    std::wstring m_cancelAt;
    std::function<void(const std::wstring&)> m_hook;
    INSTALLUI_HANDLERW m_previous = nullptr;
};
