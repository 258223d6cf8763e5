// Drives the service link and the outcome reports as the patcher does, one
// step per argument, for the end-to-end tests:
//   pid                    prints "pid <this process id>"
//   connect / release      builds / destroys the CUsingORX
//   register / reboot      RegisterSelfInvisible / SetStatusNeedRebootOS
//   report:<type>:<text>   CEventLog::Report ("\n" in the text is a line feed)
//   failure-report         the entry point's failure event (outcome 3, type 1)
// A failure prints "failure: <text>" and ends the probe with 1. Built against
// as service_probe_fast, every wait prints "wait <ms>" and returns.
#include "core/FixIdentifier.h"
#include "diagnostics/EventLog.h"
#include "diagnostics/EventMessage.h"
#include "service/UsingORX.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

namespace {

#ifdef ZEP_PROBE_PRINTS_WAITS
void WINAPI PrintWait(DWORD milliseconds) {
    std::printf("wait %lu\n", milliseconds);
    std::fflush(stdout);
}

CUsingORX* Connect() { return new CUsingORX(GetModuleHandleW(nullptr), PrintWait); }
#else
CUsingORX* Connect() { return new CUsingORX(GetModuleHandleW(nullptr)); }
#endif

std::wstring Unescaped(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'n') {
            out += L'\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void Report(const std::wstring& step) {
    const size_t colon = step.find(L':', 7);
    const auto type = static_cast<uint16_t>(std::wcstoul(step.substr(7, colon - 7).c_str(), nullptr, 10));
    CEventLog::Instance().Report(colon == std::wstring::npos ? std::wstring() : Unescaped(step.substr(colon + 1)), type);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::unique_ptr<CUsingORX> orx;
    for (int i = 1; i < argc; ++i) {
        const std::wstring step = argv[i];
        try {
            if (step == L"pid") {
                std::printf("pid %lu\n", GetCurrentProcessId());
            } else if (step == L"connect") {
                orx.reset(Connect());
            } else if (step == L"release") {
                orx.reset();
            } else if (step == L"register") {
                orx->RegisterSelfInvisible();
            } else if (step == L"reboot") {
                orx->SetStatusNeedRebootOS();
            } else if (step.compare(0, 7, L"report:") == 0) {
                Report(step);
            } else if (step == L"failure-report") {
                CEventLog::Instance().Report(CEventMessage(kFixIdentifier).GetEventText(kOutcomeInstallFail),
                                             EVENTLOG_ERROR_TYPE);
            } else {
                std::printf("unknown step\n");
                return 2;
            }
            std::fflush(stdout);
        } catch (const std::exception& failure) {
            std::printf("failure: %s\n", failure.what());
            return 1;
        }
    }
    return 0;
}
