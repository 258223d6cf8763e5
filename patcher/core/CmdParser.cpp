#include "CmdParser.h"

#include <cwctype>

namespace {

std::wstring ToLower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    return text;
}

bool IsSwitch(const std::wstring& argument) { return !argument.empty() && argument[0] == L'/'; }

}  // namespace

CCMDParser::CCMDParser(const std::vector<std::wstring>& arguments) { Parse(arguments); }

void CCMDParser::Parse(const std::vector<std::wstring>& arguments) {
    const size_t count = arguments.size();
    for (size_t i = 0; i < count; ++i) {
        if (!IsSwitch(arguments[i])) continue;
        const std::wstring name = ToLower(arguments[i]);
        std::wstring value;
        if (i + 1 < count && !IsSwitch(arguments[i + 1])) {
            // An empty argument is consumed too, as an empty value.
            value = arguments[i + 1];
            ++i;
        }
        switches_[name] = value;
    }
}

bool CCMDParser::IsParamPresent(const wchar_t* name) const {
    if (!name) return false;
    return switches_.count(ToLower(name)) != 0;
}

std::wstring CCMDParser::GetWhenValue() const {
    if (!IsParamPresent(L"/when")) return std::wstring();
    return switches_.at(L"/when");
}
