#include "PatchPackages.h"

#include "UniqueHandle.h"
#include "signature/check/CheckFileSignature.h"

#include <windows.h>

void FindPatchPackages(const std::wstring& folder, std::vector<std::wstring>& names, const std::wstring& keyFolder,
                       bool checkSignatures) {
    WIN32_FIND_DATAW entry{};
    const UniqueFindHandle search(FindFirstFileW((folder + L"\\*.msp").c_str(), &entry));
    if (!search) return;
    do {
        if (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        if (checkSignatures && !CheckFileSignature(keyFolder, folder + L"\\" + entry.cFileName)) continue;
        names.push_back(entry.cFileName);
    } while (FindNextFileW(search.get(), &entry));
}
