#pragma once
// Finding a patch's GUID in the patch XML that Windows Installer extracts
// from a package. Pure text work, no Windows calls.
#include <cstddef>
#include <string>

// Upper-cases the text (up to its first NUL, ASCII letters only) and looks
// for the first "PATCHGUID="; the GUID is then what lies between the next two
// double quotes (or what follows the opening quote up to the end, when the
// closing one is missing). Returns false when "PATCHGUID=" does not occur;
// `guid` is cleared in either case before it is filled.
bool ScanPatchGuid(const wchar_t* xml, size_t length, std::wstring& guid);
