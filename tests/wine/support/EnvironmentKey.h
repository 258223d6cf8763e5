#pragma once
// Puts the product environment key into a given state for one test.
#include <map>
#include <string>

using EnvironmentValues = std::map<std::wstring, std::wstring>;

// Replaces the key with one that holds exactly these string values.
void SetEnvironment(const EnvironmentValues& values);

// Sets one string value, creating the key when it is missing.
void SetEnvironmentValue(const wchar_t* name, const std::wstring& value);

void RemoveEnvironment();
