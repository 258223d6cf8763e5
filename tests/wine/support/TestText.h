#pragma once
// Text helpers of the Windows tests.
#include <functional>
#include <string>

// Wide text byte by byte, as the trace log writes it (Latin-1 below 256).
std::string Narrow(const std::wstring& text);

// The Windows path of a Linux path of the build machine (Wine maps / to Z:).
std::wstring HostPath(const std::string& linuxPath);

// HostPath of the file an environment variable names, or "" without it.
std::wstring HostFileFromEnvironment(const char* variable);

// How often needle occurs in haystack (overlapping occurrences count).
size_t CountOf(const std::string& haystack, const std::string& needle);

// The text of the std::logic_error the action throws, or "(nothing thrown)".
std::string ThrownText(const std::function<void()>& action);
