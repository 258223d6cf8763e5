#pragma once
// The installed product as the service tests see it: a product folder with
// the framework stand-ins, the environment key, the stand-ins' journal and
// control file, and the service process.
#include <string>
#include <vector>

#include <windows.h>

// The product folder (with its blank and its trailing backslash).
extern const wchar_t kProductFolder[];
extern const wchar_t kTraceFolder[];

// Writes the environment key and copies the stand-ins into the product folder.
void PrepareProduct();

// Replaces tessel.ini beside the stand-ins (empty text: no control file) and
// empties tessel.log.
void ResetStandIns(const std::string& control = std::string());

// tessel.log, one entry per line with the "<component>[<pid>] " prefix kept.
std::vector<std::string> Journal();

// Starts a copy of the service stand-in and waits until it can be reached.
void StartService(const std::wstring& image);

// Asks every service stand-in to end and waits until none runs.
void StopServices();

// Whether a process with exactly this executable name runs.
bool ProcessRunning(const wchar_t* exeName);
