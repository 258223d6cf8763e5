// Registers or removes a machine shutdown script with the patcher's own
// registration code, for preparing and inspecting Wine sandboxes.
//
//   scriptreg.exe create <script path> [<parameter line>]
//   scriptreg.exe delete <script path>
//
// The policy layout follows the system version, as in the patcher. Prints
// the failure text and exits with 1 when the registration fails; 2 on bad usage.
#include "state/ShutdownScript.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring action = argv[1];
    CShutdownScript script(argv[2]);
    try {
        if (action == L"create") {
            script.Create(argc > 3 ? argv[3] : L"");
        } else if (action == L"delete") {
            script.Delete();
        } else {
            return 2;
        }
    } catch (const std::exception& failure) {
        std::fputs(failure.what(), stdout);
        std::fputs("\n", stdout);
        return 1;
    }
    std::fputs(script.NewerPolicyLayout() ? "layout: newer\n" : "layout: older\n", stdout);
    return 0;
}
