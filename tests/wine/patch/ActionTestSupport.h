#pragma once
// Shared pieces of the custom-action tests: the product's registry targets as
// the tests expect them, and the test's own name for its database file.
#include "TestText.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>

#include <regex>
#include <string>

inline const std::wstring kDataKey = L"SOFTWARE\\TorvellanLab\\protected\\ZEP8\\Data";
inline const std::wstring kDataKeyWow64 = L"SOFTWARE\\Wow6432Node\\TorvellanLab\\protected\\ZEP8\\Data";
inline const std::wstring kPatchId = L"a623e528-4926-4e76-92a1-a9220e993be6";
// The patch code MSIPATCHREMOVE names while a patch is being removed.
inline const std::wstring kPatchCode = L"{A623E528-4926-4E76-92A1-A9220E993BE6}";
inline const std::wstring kOtherPatchId = L"0b7d6f0e-3c9a-4f2e-8a51-7d0c2e9b4f13";

inline std::wstring CurrentTestName()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    return std::wstring(name.begin(), name.end());
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" as UuidCreate's text.
inline bool IsUuidText(const std::wstring& text)
{
    static const std::wregex uuid(L"\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
    return std::regex_match(text, uuid);
}

inline bool IsDecimal(const std::wstring& text)
{
    return !text.empty() && text.find_first_not_of(L"0123456789") == std::wstring::npos;
}

// The entry point of a custom action in a loaded library.
using CustomAction = UINT(WINAPI*)(MSIHANDLE);
inline CustomAction FindAction(HMODULE module, const char* name)
{
    return reinterpret_cast<CustomAction>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
