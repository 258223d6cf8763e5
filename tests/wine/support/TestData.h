#pragma once
// Files the build made for the tests (Linux paths, reached through Z:), and
// helpers shared by the test programs.
#include "CheckFileSignatureDouble.h"
#include "ScratchFolder.h"
#include "TestProcess.h"
#include "TestText.h"
#include "TraceFile.h"
#include "util/Process.h"

#include <windows.h>

#include <string>

// Packages made by mkpatch: the fix's GUID, a lower-case GUID, none at all.
inline std::wstring PackageA() { return HostPath(ZEP_TEST_PACKAGE_A); }
inline std::wstring PackageLower() { return HostPath(ZEP_TEST_PACKAGE_LOWER); }
inline std::wstring PackageNoGuid() { return HostPath(ZEP_TEST_PACKAGE_NOGUID); }
inline std::wstring PackageB() { return HostPath(ZEP_TEST_PACKAGE_B); }
inline std::wstring PackageLongTransforms() { return HostPath(ZEP_TEST_PACKAGE_LONG); }
inline std::wstring EmbeddedX64() { return HostPath(ZEP_PACKAGE_FILE_X64); }
inline std::wstring StandInProduct() { return HostPath(ZEP_STANDIN_PRODUCT); }

inline const std::wstring kGuidA = L"{A623E528-4926-4E76-92A1-A9220E993BE6}";
inline const std::wstring kGuidB = L"{B5D0A1C2-1111-4222-8333-944455556666}";
inline const std::wstring kGuidLong = L"{E1E1E1E1-2222-4333-8444-555566667777}";
inline const std::wstring kGuidLower = L"{C0FFEE00-ABCD-4EF0-9ABC-DEF012345678}";
inline const std::wstring kProductCode = L"{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}";

// Copies a package, appending the test double's signature marker when asked.
inline void PlacePackage(const std::wstring& from, const std::wstring& to, bool signedByDouble) {
    std::string bytes = ReadBytes(from);
    if (signedByDouble) bytes += signature_double::kTestSignedMarker;
    WriteBytes(to, bytes);
}

// Runs a command line to its end; its exit code, or ~0u when it did not start.
inline DWORD RunAndWait(std::wstring commandLine) {
    UniqueProcessInformation process;
    if (CrtProc(nullptr, &commandLine[0], nullptr, *process.put()) != 0) return ~0u;
    return WaitForExitCode(process);
}
