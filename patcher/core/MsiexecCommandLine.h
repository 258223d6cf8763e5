#pragma once
// The msiexec.exe command lines that apply the fix's packages and remove its
// patches. Pure text work: the caller supplies what it reads from the switches
// (whether "/showui" was given), the trace folder and the product code.
#include <string>
#include <vector>

// "msiexec.exe[ /qn] /lv+* "<trace folder>ZEPPatchMSI.log" /update "<p1>;<p2>..." INSTALLONREBOOT=1".
// The trace folder is joined to the log name without a separator.
std::wstring BuildApplyCommandLine(const std::vector<std::wstring>& packagePaths, bool showUi,
                                   const std::wstring& traceRoot);

// "msiexec.exe /package <product code> /uninstall <g1>;<g2>... /lv+* "<trace folder>ZEPPatchMSI.log"[ /qn]
// INSTALLONREBOOT=1".
std::wstring BuildUninstallCommandLine(const std::vector<std::wstring>& patchGuids, const std::wstring& productCode,
                                       bool showUi, const std::wstring& traceRoot);
