#pragma once
// The program's switches: every argument that begins with "/" is a switch,
// stored in lower case, with the following argument as its value unless that
// one is itself a switch.
#include <map>
#include <string>
#include <vector>

class CCMDParser {
public:
    using SwitchMap = std::map<std::wstring, std::wstring>;

    // Splits a command line by the Windows rules and parses it. Never fails:
    // a line that cannot be split leaves the parser empty.
    explicit CCMDParser(const wchar_t* commandLine);

    // Parses an argument vector that is already split.
    explicit CCMDParser(const std::vector<std::wstring>& arguments);

    bool IsParamPresent(const wchar_t* name) const;

    // The value of "/when" (possibly empty), or empty when the switch is absent.
    std::wstring GetWhenValue() const;

    const SwitchMap& Switches() const { return switches_; }

    void Parse(const std::vector<std::wstring>& arguments);

private:
    SwitchMap switches_;
};
