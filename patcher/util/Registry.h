#pragma once
// Registry helpers. All use the registry view the program sees by default and
// report failures as Windows error codes; none traces a failure.
#include <windows.h>

#include <string>
#include <vector>

// Reads a value as text into a zero-filled buffer that grows to fit; the text
// is the buffer up to its first NUL.
DWORD ReadRegStringValue(HKEY key, const wchar_t* valueName, std::vector<wchar_t>& buffer);

DWORD ReadRegStringValueFromKey(const wchar_t* valueName, const wchar_t* subKey, HKEY root,
                                std::vector<wchar_t>& buffer);

// Copies every sub-key and value of root\subKey (or of root itself when subKey
// is null) into an open destination key.
DWORD RegCopyKeyW(HKEY sourceRoot, const wchar_t* subKey, HKEY destination);

// Expands %name% references in text with the string values of root\subKey.
// On failure the text is left unchanged.
DWORD SubstituteRegVariables(HKEY root, const wchar_t* subKey, std::wstring& text);

// Rounds of expansion after which SubstituteRegVariables gives up: a value
// that refers to itself would otherwise never finish.
inline constexpr int kMaxRegVariableRounds = 64;
