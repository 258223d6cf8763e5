#pragma once
// Whole-section access to one INI file through the system's private-profile
// functions. Holds only the path; every call goes to the file.
#include "SectionMap.h"

#include <string>

class CConfigManager {
public:
    // Throws std::logic_error (error 87) for a null path.
    explicit CConfigManager(const wchar_t* path);

    // Empties `out` and fills it with the section; a missing file or section
    // gives an empty map. Throws std::logic_error for a null section name.
    void GetSection(const wchar_t* section, SectionMap& out) const;

    // Replaces the section's whole content with the map, creating the file and
    // the section when absent. Throws std::logic_error when the write fails.
    void SetSection(const wchar_t* section, const SectionMap& in) const;

private:
    std::wstring path_;
};
