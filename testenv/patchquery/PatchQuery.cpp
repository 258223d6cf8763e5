// Test program: prints, one a line, the patches the installer engine lists
// for a product (MsiEnumPatchesW), so tests see what the engine recorded.
// usage: patchquery {product-code}; exit code 0, or the engine's error.
#include <windows.h>
#include <msi.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: patchquery {product-code}\n");
        return 2;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t patch[39] = {};
        wchar_t transforms[4096] = {};
        DWORD size = ARRAYSIZE(transforms);
        const UINT rc = ::MsiEnumPatchesW(argv[1], index, patch, transforms, &size);
        if (rc == ERROR_NO_MORE_ITEMS) return 0;
        if (rc != ERROR_SUCCESS) {
            std::fwprintf(stderr, L"MsiEnumPatchesW: %u\n", rc);
            return static_cast<int>(rc);
        }
        std::wprintf(L"%ls\n", patch);
    }
}
