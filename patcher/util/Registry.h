#pragma once
// Registry helpers. All use the registry view the program sees by default and
// report failures as Windows error codes; none traces a failure.
#include "UniqueHandle.h"

#include <windows.h>

#include <string>
#include <vector>

// Opens root\subKey with the access asked for; the key lands in `key`.
DWORD OpenRegKey(HKEY root, const wchar_t* subKey, REGSAM access, UniqueHKey& key);

// Opens or creates root\subKey (non-volatile, with an optional class name).
DWORD CreateRegKey(HKEY root, const wchar_t* subKey, REGSAM access, UniqueHKey& key,
                   const wchar_t* className = nullptr);

// Writes text with its terminator as REG_SZ (or the given string type).
DWORD SetRegString(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ);
DWORD SetRegDword(HKEY key, const wchar_t* name, DWORD value);
// A value of type REG_NONE without data.
DWORD SetRegNone(HKEY key, const wchar_t* name);
// Raw bytes of any type, as read from another value.
DWORD SetRegBytes(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size);

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
