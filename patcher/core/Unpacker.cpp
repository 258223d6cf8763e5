#include "Unpacker.h"

#include "diagnostics/TraceLog.h"
#include "util/ErrorText.h"
#include "util/OsBitness.h"
#include "util/UniqueHandle.h"

#include <windows.h>

namespace {

const wchar_t kName[] = L"CUnpacker::ExtractResourceToFile";
const WORD kPackageX86 = 101;
const WORD kPackageX64 = 102;

}  // namespace

UniqueFileHandle CUnpacker::ExtractResourceToFile(const std::wstring& filePath) const {
    const WORD name = IsOSx64() ? kPackageX64 : kPackageX86;
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(name), L"PATCHDATA");
    if (!resource) ThrowWindowsError(GetLastError(), kName);
    HGLOBAL loaded = LoadResource(nullptr, resource);
    if (!loaded) ThrowWindowsError(GetLastError(), kName);
    const void* data = LockResource(loaded);
    const DWORD size = SizeofResource(nullptr, resource);

    UniqueFileHandle file(
        CreateFileW(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowWindowsError(GetLastError(), kName);
    DWORD written = 0;
    const BOOL wrote = WriteFile(file.get(), data, size, &written, nullptr);
    file.reset();  // keeps the write's error
    if (!wrote) ThrowWindowsError(GetLastError(), kName);
    UniqueFileHandle held(CreateFileW(filePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held) ThrowWindowsError(GetLastError(), kName);
    Trace(TL_NOTIFY, L"%s: Resource extracted to %s", kName, filePath.c_str());
    return held;
}
