#include "Registry.h"

#include "diagnostics/TraceLog.h"
#include "UniqueHandle.h"

namespace {

const wchar_t kSubstituteName[] = L"SubstituteRegVariables";

}  // namespace

DWORD OpenRegKey(HKEY root, const wchar_t* subKey, REGSAM access, UniqueHKey& key) {
    return static_cast<DWORD>(RegOpenKeyExW(root, subKey, 0, access, key.put()));
}

DWORD CreateRegKey(HKEY root, const wchar_t* subKey, REGSAM access, UniqueHKey& key, const wchar_t* className) {
    return static_cast<DWORD>(RegCreateKeyExW(root, subKey, 0, const_cast<wchar_t*>(className),
                                              REG_OPTION_NON_VOLATILE, access, nullptr, key.put(), nullptr));
}

DWORD SetRegBytes(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
    return static_cast<DWORD>(RegSetValueExW(key, name, 0, type, data, size));
}

DWORD SetRegString(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type) {
    return SetRegBytes(key, name, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

DWORD SetRegDword(HKEY key, const wchar_t* name, DWORD value) {
    return SetRegBytes(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

DWORD SetRegNone(HKEY key, const wchar_t* name) { return SetRegBytes(key, name, REG_NONE, nullptr, 0); }

DWORD ReadRegStringValue(HKEY key, const wchar_t* valueName, std::vector<wchar_t>& buffer) {
    buffer.assign(MAX_PATH, L'\0');
    DWORD byteSize = MAX_PATH * sizeof(wchar_t);
    for (;;) {
        const LONG result =
            RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &byteSize);
        if (result != ERROR_MORE_DATA) return static_cast<DWORD>(result);
        // One character more than the data, so a value stored without its
        // terminator still ends in NUL.
        buffer.assign(byteSize / sizeof(wchar_t) + 1, L'\0');
    }
}

DWORD ReadRegStringValueFromKey(const wchar_t* valueName, const wchar_t* subKey, HKEY root,
                                std::vector<wchar_t>& buffer) {
    UniqueHKey key;
    const DWORD opened = OpenRegKey(root, subKey, KEY_QUERY_VALUE, key);
    if (opened != ERROR_SUCCESS) return opened;
    return ReadRegStringValue(key.get(), valueName, buffer);
}

namespace {

DWORD CopySubKeys(HKEY source, HKEY destination) {
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_PATH];
        wchar_t className[MAX_PATH];
        DWORD nameLength = MAX_PATH;
        DWORD classLength = MAX_PATH;
        LONG result = RegEnumKeyExW(source, index, name, &nameLength, nullptr, className, &classLength, nullptr);
        if (result != ERROR_SUCCESS) return static_cast<DWORD>(result);
        UniqueHKey created;
        const DWORD made = CreateRegKey(destination, name, KEY_ALL_ACCESS, created, className);
        if (made != ERROR_SUCCESS) return made;
        const DWORD copied = RegCopyKeyW(source, name, created.get());
        if (copied != ERROR_SUCCESS) return copied;
    }
}

DWORD CopyValues(HKEY source, HKEY destination) {
    DWORD maxDataSize = 0;
    LONG result = RegQueryInfoKeyW(source, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   &maxDataSize, nullptr, nullptr);
    if (result != ERROR_SUCCESS) return static_cast<DWORD>(result);
    for (DWORD index = 0;; ++index) {
        std::vector<BYTE> data(maxDataSize + 1);
        wchar_t name[MAX_PATH];
        DWORD nameLength = MAX_PATH;
        DWORD type = 0;
        DWORD dataSize = static_cast<DWORD>(data.size());
        result = RegEnumValueW(source, index, name, &nameLength, nullptr, &type, data.data(), &dataSize);
        if (result == ERROR_MORE_DATA) {
            Trace(TL_NOTIFY, L"%s: New buff size = %d", L"RegCopyKeyW", static_cast<int>(dataSize));
            data.resize(dataSize ? dataSize : MAX_PATH);
            nameLength = MAX_PATH;
            dataSize = static_cast<DWORD>(data.size());
            result = RegEnumValueW(source, index, name, &nameLength, nullptr, &type, data.data(), &dataSize);
        }
        if (result != ERROR_SUCCESS) return static_cast<DWORD>(result);
        const DWORD written = SetRegBytes(destination, name, type, data.data(), dataSize);
        if (written != ERROR_SUCCESS) return written;
    }
}

}  // namespace

DWORD RegCopyKeyW(HKEY sourceRoot, const wchar_t* subKey, HKEY destination) {
    UniqueHKey opened;
    HKEY source = sourceRoot;
    if (subKey) {
        const DWORD result = OpenRegKey(sourceRoot, subKey, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, opened);
        if (result != ERROR_SUCCESS) return result;
        source = opened.get();
    } else if (!sourceRoot) {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD result = CopySubKeys(source, destination);
    if (result == ERROR_NO_MORE_ITEMS) result = CopyValues(source, destination);
    return result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result;
}

DWORD SubstituteRegVariables(HKEY root, const wchar_t* subKey, std::wstring& text) {
    if (!root || !subKey) return ERROR_INVALID_PARAMETER;
    std::wstring expanded = text;
    for (int round = 0;; ++round) {
        const size_t open = expanded.find(L'%');
        if (open == std::wstring::npos) break;
        const size_t close = expanded.find(L'%', open + 1);
        // An unpaired '%' cannot be expanded; refuse it rather than guess.
        if (close == std::wstring::npos) return ERROR_INVALID_PARAMETER;
        // A value that (through others) refers to itself would never finish.
        if (round == kMaxRegVariableRounds) return ERROR_CIRCULAR_DEPENDENCY;
        const std::wstring name = expanded.substr(open + 1, close - open - 1);
        Trace(TL_NOTIFY, L"%s: Current variable name: %s", kSubstituteName, name.c_str());
        std::vector<wchar_t> value;
        const DWORD result = ReadRegStringValueFromKey(name.c_str(), subKey, root, value);
        if (result != ERROR_SUCCESS) return result;
        expanded.replace(open, close - open + 1, value.data());
        Trace(TL_NOTIFY, L"%s: New value: %s", kSubstituteName, expanded.c_str());
    }
    text = std::move(expanded);
    return ERROR_SUCCESS;
}
