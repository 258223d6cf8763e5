#pragma once
// The patch GUID of the package hf41 carries, read from a verified copy in a
// temporary folder of its own. This is the body of
// CPatchRunner::GetPrivatePatchGUID, which passes the runner's product folder
// and verify-packages switch.
#include <string>

// Throws std::logic_error when the folder cannot be made, the package cannot
// be written, its signature is refused (with verifyPackages) or its GUID
// cannot be read; the temporary folder is removed in every case but the first.
std::wstring ReadPrivatePatchGUID(const std::wstring& productFolder, bool verifyPackages);
